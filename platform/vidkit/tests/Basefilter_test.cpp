#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VidkitTestSupport.h"

using namespace vidkit_test;

namespace {

// Two filters to connect: Source's output pin and Sink's input pin; the test owns one reference
// to each filter.
struct TwoFilters {
  TTestFilter* Source = new TTestFilter;
  TTestFilter* Sink = new TTestFilter;
  TTestPin* Out;
  TTestPin* In;
  TwoFilters()
  {
    Source->AddRef();
    Sink->AddRef();
    Out = Source->AddPin(L"Out", PINDIR_OUTPUT);
    In = Sink->AddPin(L"In", PINDIR_INPUT);
  }
  ~TwoFilters()
  {
    Out->Disconnect();
    In->Disconnect();
    Source->Release();
    Sink->Release();
  }
};

// A reference clock stand-in that reports a fixed time.
class TFixedClock : public IReferenceClock {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++Count; }
  ULONG STDMETHODCALLTYPE Release() override { return --Count; }
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* t) override
  {
    *t = Now;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR*) override
  {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR) override { return E_NOTIMPL; }
  ULONG Count = 1;
  REFERENCE_TIME Now = 0;
};

std::vector<std::string> Without(std::vector<std::string> calls, const std::string& name)
{
  std::erase(calls, name);
  return calls;
}

}  // namespace

TEST(EnumPins, WalksThePinsAndNoticesChangesToTheSet)
{
  auto* filter = new TTestFilter;
  ComPtr<IBaseFilter> base;
  ASSERT_EQ(filter->QueryInterface(IID_IBaseFilter, base.Out()), S_OK);
  filter->AddPin(L"A", PINDIR_INPUT);
  filter->AddPin(L"B", PINDIR_OUTPUT);
  filter->AddPin(L"C", PINDIR_OUTPUT);

  ComPtr<IEnumPins> pins;
  ASSERT_EQ(base->EnumPins(&pins), S_OK);
  IPin* got[3] = {};
  ULONG fetched = 0;
  ASSERT_EQ(pins->Next(2, got, &fetched), S_OK);
  EXPECT_EQ(fetched, 2u);
  EXPECT_EQ(got[0], static_cast<IPin*>(filter->GetPin(0)));
  EXPECT_EQ(got[1], static_cast<IPin*>(filter->GetPin(1)));
  got[0]->Release();
  got[1]->Release();
  EXPECT_EQ(pins->Next(2, got, nullptr), E_INVALIDARG);

  ComPtr<IEnumPins> clone;
  ASSERT_EQ(pins->Clone(&clone), S_OK);
  EXPECT_EQ(pins->Next(2, got, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 1u);
  EXPECT_EQ(got[0], static_cast<IPin*>(filter->GetPin(2)));
  got[0]->Release();
  ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);  // the clone kept its own position
  EXPECT_EQ(got[0], static_cast<IPin*>(filter->GetPin(2)));
  got[0]->Release();

  ASSERT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Skip(2), S_OK);
  EXPECT_EQ(pins->Skip(2), S_FALSE);

  filter->AddPin(L"D", PINDIR_INPUT);
  EXPECT_EQ(pins->Next(1, got, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(pins->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
  ComPtr<IEnumPins> stale;
  EXPECT_EQ(pins->Clone(&stale), VFW_E_ENUM_OUT_OF_SYNC);
  ASSERT_EQ(pins->Reset(), S_OK);
  IPin* all[4] = {};
  ASSERT_EQ(pins->Next(4, all, &fetched), S_OK);
  for (IPin* p : all) p->Release();

  // The enumerator keeps the filter alive.
  LONG destroyed = TTestFilter::Destroyed;
  base.Reset();
  EXPECT_EQ(TTestFilter::Destroyed, destroyed);
  pins.Reset();
  clone.Reset();
  EXPECT_EQ(TTestFilter::Destroyed, destroyed + 1);
}

TEST(EnumMediaTypes, ListsThePinsTypesUntilNoMoreItems)
{
  TwoFilters f;
  f.Out->Offered = {TypeA, TypeB};
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(f.Out->EnumMediaTypes(&types), S_OK);
  AM_MEDIA_TYPE* got[3] = {};
  ULONG fetched = 0;
  ASSERT_EQ(types->Next(3, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(got[0]->majortype, TypeA);
  EXPECT_EQ(got[1]->majortype, TypeB);
  EXPECT_EQ(got[1]->subtype, SubA);
  DeleteMediaType(got[0]);
  DeleteMediaType(got[1]);
  EXPECT_EQ(types->Next(1, got, nullptr), S_FALSE);

  ASSERT_EQ(types->Reset(), S_OK);
  EXPECT_EQ(types->Skip(1), S_OK);
  ComPtr<IEnumMediaTypes> clone;
  ASSERT_EQ(types->Clone(&clone), S_OK);
  ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);
  EXPECT_EQ(got[0]->majortype, TypeB);
  DeleteMediaType(got[0]);
  EXPECT_EQ(types->Skip(5), S_FALSE);

  f.Out->IncrementTypeVersion();
  EXPECT_EQ(types->Next(1, got, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
  ASSERT_EQ(types->Reset(), S_OK);
  EXPECT_EQ(types->Next(1, got, nullptr), S_OK);
  DeleteMediaType(got[0]);
}

TEST(BaseFilter, FindPinByItsId)
{
  TwoFilters f;
  f.Source->AddPin(L"Second", PINDIR_OUTPUT);
  ComPtr<IPin> pin;
  ASSERT_EQ(f.Source->FindPin(L"Second", &pin), S_OK);
  LPWSTR id = nullptr;
  ASSERT_EQ(pin->QueryId(&id), S_OK);
  EXPECT_STREQ(id, L"Second");
  CoTaskMemFree(id);
  ComPtr<IPin> none;
  EXPECT_EQ(f.Source->FindPin(L"Missing", &none), VFW_E_NOT_FOUND);
  EXPECT_EQ(none.Get(), nullptr);
}

TEST(BaseFilter, StateChangesReachConnectedPinsOnly)
{
  TwoFilters f;
  f.In->Accepted = {TypeA};
  f.Out->Accepted = {TypeA};
  f.Out->Offered = {TypeA};
  TTestPin* idle = f.Source->AddPin(L"Idle", PINDIR_OUTPUT);
  ASSERT_EQ(f.Out->Connect(f.In, nullptr), S_OK);
  f.Out->Calls.clear();

  FILTER_STATE state = State_Running;
  ASSERT_EQ(f.Source->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
  ASSERT_EQ(f.Source->Run(1234), S_OK);  // from stopped: paused first, then running
  ASSERT_EQ(f.Source->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Running);
  EXPECT_EQ(f.Out->RunStart, 1234);
  ASSERT_EQ(f.Source->Pause(), S_OK);
  ASSERT_EQ(f.Source->Stop(), S_OK);
  ASSERT_EQ(f.Source->Stop(), S_OK);  // already stopped: the pins hear nothing more
  EXPECT_EQ(f.Out->Calls, (std::vector<std::string>{"Active", "Run", "Inactive"}));
  EXPECT_TRUE(idle->Calls.empty());
}

TEST(BaseFilter, ClockIsCountedAndGivesStreamTime)
{
  TwoFilters f;
  TFixedClock clock;
  REFERENCE_TIME t = 0;
  EXPECT_EQ(f.Source->StreamTime(&t), VFW_E_NO_CLOCK);
  ASSERT_EQ(f.Source->SetSyncSource(&clock), S_OK);
  EXPECT_EQ(clock.Count, 2u);
  IReferenceClock* got = nullptr;
  ASSERT_EQ(f.Source->GetSyncSource(&got), S_OK);
  EXPECT_EQ(got, &clock);
  EXPECT_EQ(clock.Count, 3u);
  got->Release();
  ASSERT_EQ(f.Source->Run(1000), S_OK);
  clock.Now = 5000;
  ASSERT_EQ(f.Source->StreamTime(&t), S_OK);
  EXPECT_EQ(t, 4000);
  ASSERT_EQ(f.Source->Stop(), S_OK);
  ASSERT_EQ(f.Source->SetSyncSource(nullptr), S_OK);
  EXPECT_EQ(clock.Count, 1u);
  ASSERT_EQ(f.Source->GetSyncSource(&got), S_OK);
  EXPECT_EQ(got, nullptr);
}

TEST(BaseFilter, RegistrationWithoutSetupDataDoesNothing)
{
  TwoFilters f;
  EXPECT_EQ(f.Source->GetSetupData(), nullptr);
  EXPECT_EQ(f.Source->Register(), S_FALSE);
  EXPECT_EQ(f.Source->Unregister(), S_FALSE);
  EXPECT_EQ(f.Source->NotifyEvent(EC_COMPLETE, 0, 0), E_NOTIMPL);  // in no graph
}

TEST(BasePin, ConnectTriesTheReceiversTypesFirstInTheDocumentedOrder)
{
  TwoFilters f;
  f.Out->Offered = {TypeA};
  f.In->Offered = {TypeB};
  f.Out->Accepted = f.In->Accepted = {TypeA, TypeB};
  ASSERT_EQ(f.Out->Connect(f.In, nullptr), S_OK);
  EXPECT_EQ(f.Out->Calls,
            (std::vector<std::string>{"CheckConnect", "CheckMediaType", "SetMediaType", "CompleteConnect"}));
  EXPECT_EQ(f.In->Calls, (std::vector<std::string>{"ReceiveConnection", "CheckConnect", "CheckMediaType",
                                                   "SetMediaType", "CompleteConnect"}));
  AM_MEDIA_TYPE mt{};
  ASSERT_EQ(f.Out->ConnectionMediaType(&mt), S_OK);
  EXPECT_EQ(mt.majortype, TypeB);
  FreeMediaType(mt);
  ASSERT_EQ(f.In->ConnectionMediaType(&mt), S_OK);
  EXPECT_EQ(mt.majortype, TypeB);
  FreeMediaType(mt);

  ComPtr<IPin> peer;
  ASSERT_EQ(f.Out->ConnectedTo(&peer), S_OK);
  EXPECT_EQ(peer.Get(), static_cast<IPin*>(f.In));
  EXPECT_EQ(f.Out->Connect(f.In, nullptr), VFW_E_ALREADY_CONNECTED);
}

TEST(BasePin, PartialTypeFiltersTheCandidatesAndCompleteTypeIsUsedAsIs)
{
  {
    TwoFilters f;
    f.Out->Offered = {TypeA, TypeB};
    f.In->Offered = {TypeA};
    f.Out->Accepted = f.In->Accepted = {TypeA, TypeB};
    CMediaType partial(&TypeB);
    ASSERT_EQ(f.Out->Connect(f.In, &partial), S_OK);
    EXPECT_EQ(*f.Out->CurrentMediaType().Type(), TypeB);
  }
  {
    TwoFilters f;
    f.Out->Accepted = f.In->Accepted = {TypeA, TypeB};
    CMediaType complete(&TypeB);  // offered by neither pin
    complete.SetSubtype(&SubA);
    complete.SetFormatType(&FORMAT_None);
    ASSERT_EQ(f.Out->Connect(f.In, &complete), S_OK);
    EXPECT_TRUE(f.In->CurrentMediaType() == complete);
  }
  {
    TwoFilters f;
    f.Out->Offered = {TypeA};
    f.Out->Accepted = {TypeA};
    f.In->Accepted = {TypeB};
    EXPECT_EQ(f.Out->Connect(f.In, nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_FALSE(f.Out->IsConnected());
    EXPECT_FALSE(f.In->IsConnected());
  }
}

TEST(BasePin, FailedCompletionBreaksBothSidesAndReportsTheReason)
{
  TwoFilters f;
  f.Out->Offered = {TypeA};
  f.Out->Accepted = f.In->Accepted = {TypeA};
  f.Out->CompleteResult = VFW_E_NO_TRANSPORT;
  EXPECT_EQ(f.Out->Connect(f.In, nullptr), VFW_E_NO_TRANSPORT);
  EXPECT_FALSE(f.Out->IsConnected());
  EXPECT_FALSE(f.In->IsConnected());
  EXPECT_EQ(f.Out->Calls.back(), "BreakConnect");
  EXPECT_EQ(f.In->Calls.back(), "BreakConnect");  // the receiver was told to disconnect
  ComPtr<IPin> peer;
  EXPECT_EQ(f.Out->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(peer.Get(), nullptr);
  AM_MEDIA_TYPE mt;
  mt.majortype = TypeA;
  EXPECT_EQ(f.Out->ConnectionMediaType(&mt), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(mt.majortype, GUID_NULL);
}

// A hook of a descendant that throws must not unwind through the COM caller: the COM method answers
// an error code for it, undoes the connection on both sides, and the process goes on.
TEST(BasePin, AHookThatThrowsFailsTheConnectionWithACodeAndLeavesBothPinsUnconnected)
{
  enum TSide { Output, Input };
  enum TCall { ConnectFromOutput, ReceiveOnInput };
  struct Case {
    TSide side;
    const char* hook;
    TThrow thrown;
    TCall call;
    HRESULT expected;
  };
  const Case cases[] = {
      {Output, "CheckConnect", TThrow::OleSys, ConnectFromOutput, VFW_E_NO_TRANSPORT},
      {Output, "CheckMediaType", TThrow::Runtime, ConnectFromOutput, E_UNEXPECTED},
      {Output, "SetMediaType", TThrow::Runtime, ConnectFromOutput, E_UNEXPECTED},
      {Output, "CompleteConnect", TThrow::OutOfMemory, ConnectFromOutput, E_OUTOFMEMORY},
      {Input, "CheckMediaType", TThrow::Runtime, ConnectFromOutput, E_UNEXPECTED},
      {Input, "CompleteConnect", TThrow::OutOfMemory, ConnectFromOutput, E_OUTOFMEMORY},
      {Input, "CheckConnect", TThrow::Runtime, ReceiveOnInput, E_UNEXPECTED},
      {Input, "CheckMediaType", TThrow::OutOfMemory, ReceiveOnInput, E_OUTOFMEMORY},
      {Input, "SetMediaType", TThrow::OleSys, ReceiveOnInput, VFW_E_NO_TRANSPORT},
      {Input, "CompleteConnect", TThrow::Runtime, ReceiveOnInput, E_UNEXPECTED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.side == Output ? "output " : "input ") + c.hook +
                 (c.call == ConnectFromOutput ? " in Connect" : " in ReceiveConnection"));
    TwoFilters f;
    f.Out->Offered = {TypeA};
    f.Out->Accepted = f.In->Accepted = {TypeA};
    TTestPin* faulty = c.side == Output ? f.Out : f.In;
    faulty->ThrowIn = c.hook;
    faulty->Throw = c.thrown;
    if (c.call == ConnectFromOutput) {
      EXPECT_EQ(f.Out->Connect(f.In, nullptr), c.expected);
    } else {
      CMediaType type;
      type.InitMediaType();
      type.SetType(&TypeA);
      type.SetSubtype(&SubA);
      EXPECT_EQ(f.In->ReceiveConnection(f.Out, &type), c.expected);
    }
    EXPECT_FALSE(f.Out->IsConnected());
    EXPECT_FALSE(f.In->IsConnected());
    ASSERT_FALSE(faulty->Calls.empty());
    EXPECT_EQ(faulty->Calls.back(), "BreakConnect") << "what the hook began was undone";
    // Unharmed: the same pins connect once the hook behaves.
    faulty->Throw = TThrow::Nothing;
    EXPECT_EQ(f.Out->Connect(f.In, nullptr), S_OK);
    EXPECT_TRUE(f.In->IsConnected());
  }
}

// The state hooks likewise: the filter's COM method answers a code, and Stop still stops.
TEST(BaseFilter, AStateHookThatThrowsIsAnErrorCodeOfTheFiltersMethod)
{
  struct Case {
    const char* hook;
    TThrow thrown;
    HRESULT expected;
    FILTER_STATE after;
  };
  const Case cases[] = {
      {"Active", TThrow::Runtime, E_UNEXPECTED, State_Stopped},
      {"Run", TThrow::OutOfMemory, E_OUTOFMEMORY, State_Paused},
      {"Inactive", TThrow::OleSys, VFW_E_NO_TRANSPORT, State_Stopped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hook);
    TwoFilters f;
    f.Out->Offered = {TypeA};
    f.Out->Accepted = f.In->Accepted = {TypeA};
    ASSERT_EQ(f.Out->Connect(f.In, nullptr), S_OK);
    f.Out->ThrowIn = c.hook;
    f.Out->Throw = c.thrown;
    const bool stopping = std::string(c.hook) == "Inactive";
    if (stopping) {
      ASSERT_EQ(f.Source->Pause(), S_OK);
    }
    EXPECT_EQ(stopping ? f.Source->Stop() : f.Source->Run(0), c.expected);
    FILTER_STATE state = State_Running;
    ASSERT_EQ(f.Source->GetState(0, &state), S_OK);
    EXPECT_EQ(state, c.after);
    f.Out->Throw = TThrow::Nothing;
    EXPECT_EQ(f.Source->Stop(), S_OK);
  }
}

// A pin whose CheckMediaType throws accepts nothing.
TEST(BasePin, QueryAcceptRefusesWhenCheckMediaTypeThrows)
{
  TwoFilters f;
  f.In->Accepted = {TypeA};
  CMediaType type;
  type.InitMediaType();
  type.SetType(&TypeA);
  EXPECT_EQ(f.In->QueryAccept(&type), S_OK);
  f.In->ThrowIn = "CheckMediaType";
  f.In->Throw = TThrow::Runtime;
  EXPECT_EQ(f.In->QueryAccept(&type), S_FALSE);
}

TEST(BasePin, SameDirectionsAreRefused)
{
  TwoFilters f;
  TTestPin* otherOut = f.Sink->AddPin(L"Out2", PINDIR_OUTPUT);
  f.Out->Offered = {TypeA};
  f.Out->Accepted = otherOut->Accepted = {TypeA};
  EXPECT_EQ(f.Out->Connect(otherOut, nullptr), VFW_E_INVALID_DIRECTION);
  EXPECT_FALSE(f.Out->IsConnected());
  EXPECT_EQ(Without(f.Out->Calls, "BreakConnect"), (std::vector<std::string>{"CheckConnect"}));
}

TEST(BasePin, DisconnectOnlyWhenStoppedAndQueries)
{
  TwoFilters f;
  f.Out->Offered = {TypeA};
  f.Out->Accepted = f.In->Accepted = {TypeA};
  EXPECT_EQ(f.Out->Disconnect(), S_FALSE);
  ASSERT_EQ(f.Out->Connect(f.In, nullptr), S_OK);
  ASSERT_EQ(f.Source->Pause(), S_OK);
  EXPECT_EQ(f.Out->Disconnect(), VFW_E_NOT_STOPPED);
  ASSERT_EQ(f.Source->Stop(), S_OK);
  f.Out->Calls.clear();
  EXPECT_EQ(f.Out->Disconnect(), S_OK);
  EXPECT_EQ(f.Out->Calls, (std::vector<std::string>{"BreakConnect"}));
  EXPECT_FALSE(f.Out->IsConnected());
  EXPECT_EQ(f.In->Disconnect(), S_OK);

  PIN_DIRECTION dir = PINDIR_OUTPUT;
  ASSERT_EQ(f.In->QueryDirection(&dir), S_OK);
  EXPECT_EQ(dir, PINDIR_INPUT);
  CMediaType a(&TypeA), b(&TypeB);
  EXPECT_EQ(f.In->QueryAccept(&a), S_OK);
  EXPECT_EQ(f.In->QueryAccept(&b), S_FALSE);
  ULONG n = 0;
  EXPECT_EQ(f.In->QueryInternalConnections(nullptr, &n), E_NOTIMPL);
  EXPECT_EQ(f.In->NewSegment(10, 20, 1.5), S_OK);
  EXPECT_EQ(f.In->CurrentStopTime(), 20);
  EXPECT_EQ(f.In->CurrentRate(), 1.5);
  EXPECT_EQ(f.In->EndOfStream(), S_OK);
}
