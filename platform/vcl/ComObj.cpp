#include "ComObj.h"

#include "Consts.h"

AnsiString OleErrorMessage(HRESULT hr)
{
  AnsiString message = SysErrorMessage(static_cast<DWORD>(hr));
  if (message.IsEmpty()) message = Format(SOleError, {static_cast<int>(hr)});
  return message;
}

HRESULT OleCheck(HRESULT hr)
{
  if (FAILED(hr)) throw EOleSysError(OleErrorMessage(hr), hr);
  return hr;
}

// ===================================================================================================
// COM for the main thread: Application->Initialize joins the apartment, and the end of Application->Run
// leaves it, once the forms (and the COM objects they held) are gone.
#include "Forms.h"

namespace {

void (*SavedInitProc)() = nullptr;
void (*SavedInitDoneProc)() = nullptr;
bool NeedToUninitialize = false;

void DoneComObj()
{
  if (NeedToUninitialize) {
    NeedToUninitialize = false;
    CoUninitialize();
  }
  if (SavedInitDoneProc) {
    void (*next)() = SavedInitDoneProc;
    SavedInitDoneProc = nullptr;
    next();
  }
}

void InitComObj()
{
  if (SavedInitProc) SavedInitProc();
  // S_FALSE: the thread was already in the apartment; the call still has to be balanced.
  const HRESULT hr = CoInitialize(nullptr);
  NeedToUninitialize = hr == S_OK || hr == S_FALSE;
  SavedInitDoneProc = InitDoneProc;
  InitDoneProc = DoneComObj;
}

TUnitInit ComObjUnitInit(
    "ComObj",
    [] {
      SavedInitProc = InitProc;
      InitProc = InitComObj;
    },
    [] {
      if (InitProc == InitComObj) InitProc = SavedInitProc;
    });

}  // namespace
