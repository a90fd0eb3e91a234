#include "ControlsFixtures.h"

VCL_PUBLISHED(TProbePanel)
{
  p.Property("Align", &TProbePanel::GetAlign, &TProbePanel::SetAlign).Default(alNone);
  p.Property("Anchors", &TProbePanel::GetAnchors, &TProbePanel::SetAnchors);
  p.Property("Caption", &TProbePanel::GetCaption, &TProbePanel::SetCaption);
  p.Property("Color", &TProbePanel::GetColor, &TProbePanel::SetColor);
  p.Property("ParentColor", &TProbePanel::GetParentColor, &TProbePanel::SetParentColor).Default(true);
  p.Property("TabStop", &TProbePanel::GetTabStop, &TProbePanel::SetTabStop).Default(false);
  p.Property("PopupMenu", &TProbePanel::GetPopupMenu, &TProbePanel::SetPopupMenu);
  p.Property("OnClick", &TProbePanel::OnClick, &TProbePanel::OnClick);
  p.Property("OnKeyDown", &TProbePanel::OnKeyDown, &TProbePanel::OnKeyDown);
}

VCL_PUBLISHED(TProbeGraphic)
{
  p.Property("Align", &TProbeGraphic::GetAlign, &TProbeGraphic::SetAlign).Default(alNone);
  p.Property("Anchors", &TProbeGraphic::GetAnchors, &TProbeGraphic::SetAnchors);
  p.Property("Color", &TProbeGraphic::GetColor, &TProbeGraphic::SetColor);
  p.Property("ParentColor", &TProbeGraphic::GetParentColor, &TProbeGraphic::SetParentColor).Default(true);
  p.Property("Hint", &TProbeGraphic::GetHint, &TProbeGraphic::SetHint);
  p.Property("ShowHint", &TProbeGraphic::GetShowHint, &TProbeGraphic::SetShowHint).Default(false);
  p.Property("Action", &TProbeGraphic::GetAction, &TProbeGraphic::SetAction);
  p.Property("OnClick", &TProbeGraphic::OnClick, &TProbeGraphic::OnClick);
}

VCL_PUBLISHED(TProbeForm)
{
  p.Field("Panel", &TProbeForm::Panel);
  p.Field("Box", &TProbeForm::Box);
  p.Field("Corner", &TProbeForm::Corner);
  p.Field("Actions", &TProbeForm::Actions);
  p.Field("GoAction", &TProbeForm::GoAction);
  p.Field("Menu", &TProbeForm::Menu);
  p.Field("GoItem", &TProbeForm::GoItem);
  p.Method("FormCreate", &TProbeForm::FormCreate);
  p.Method("FormShow", &TProbeForm::FormShow);
  p.Method("GoExecute", &TProbeForm::GoExecute);
  p.Method("BoxClick", &TProbeForm::BoxClick);
  p.Method("FormKeyDown", &TProbeForm::FormKeyDown);
  p.Method("PanelKeyDown", &TProbeForm::PanelKeyDown);
}

VCL_PUBLISHED(TTestForm)
{
  p.Field("TopPanel", &TTestForm::TopPanel);
  p.Field("TitleLabel", &TTestForm::TitleLabel);
  p.Field("Picture", &TTestForm::Picture);
  p.Field("OverLabel", &TTestForm::OverLabel);
  p.Field("PlayButton", &TTestForm::PlayButton);
  p.Field("PauseButton", &TTestForm::PauseButton);
  p.Field("StopButton", &TTestForm::StopButton);
  p.Field("NameEdit", &TTestForm::NameEdit);
  p.Field("OkButton", &TTestForm::OkButton);
  p.Field("FailButton", &TTestForm::FailButton);
  p.Field("StatusLabel", &TTestForm::StatusLabel);
  p.Field("Actions", &TTestForm::Actions);
  p.Field("GoAction", &TTestForm::GoAction);
  p.Field("FormMenu", &TTestForm::FormMenu);
  p.Field("GoItem", &TTestForm::GoItem);
  p.Field("AboutItem", &TTestForm::AboutItem);
  p.Method("FormCreate", &TTestForm::FormCreate);
  p.Method("FormKeyDown", &TTestForm::FormKeyDown);
  p.Method("BackgroundMouseDown", &TTestForm::BackgroundMouseDown);
  p.Method("BackgroundMouseMove", &TTestForm::BackgroundMouseMove);
  p.Method("ButtonClick", &TTestForm::ButtonClick);
  p.Method("OkClick", &TTestForm::OkClick);
  p.Method("FailClick", &TTestForm::FailClick);
  p.Method("GoExecute", &TTestForm::GoExecute);
  p.Method("AboutClick", &TTestForm::AboutClick);
}

VCL_PUBLISHED(TSkeletonForm)
{
  p.Field("Skin", &TSkeletonForm::Skin);
  p.Field("Video", &TSkeletonForm::Video);
  p.Field("PositionLabel", &TSkeletonForm::PositionLabel);
  p.Field("LengthLabel", &TSkeletonForm::LengthLabel);
  p.Field("PlayButton", &TSkeletonForm::PlayButton);
  p.Field("CloseButton", &TSkeletonForm::CloseButton);
}

void TTestForm::FormCreate(TObject*) { Log.push_back("create"); }

void TTestForm::FormKeyDown(TObject*, WORD& key, TShiftState shift)
{
  if (key >= 'A' && key <= 'Z') Log.push_back(std::string("key ") + char(key) + (shift.Contains(ssShift) ? "+shift" : ""));
}

void TTestForm::BackgroundMouseDown(TObject*, TMouseButton, TShiftState, int x, int y)
{
  DragX = x;
  DragY = y;
}

// Only while the form holds the mouse (a button pressed on it is held) does it follow the mouse.
void TTestForm::BackgroundMouseMove(TObject*, TShiftState, int x, int y)
{
  if (GetCaptureControl() != this) return;
  SetBounds(GetLeft() + x - DragX, GetTop() + y - DragY, GetWidth(), GetHeight());
}

void TTestForm::ButtonClick(TObject* sender)
{
  Log.push_back("click " + std::string(static_cast<TComponent*>(sender)->GetName().c_str()));
}

void TTestForm::OkClick(TObject*) { Log.push_back("ok " + std::string(NameEdit->GetText().c_str())); }
void TTestForm::FailClick(TObject*) { throw Exception("Failed on purpose"); }
void TTestForm::GoExecute(TObject*) { Log.push_back("go"); }
void TTestForm::AboutClick(TObject*) { Log.push_back("about"); }

TSkeletonForm::TSkeletonForm(TOwnerArg owner, int clientWidth, int clientHeight) : TForm(owner)
{
  SetClientWidth(clientWidth);
  SetClientHeight(clientHeight);
}

VCL_IMPLEMENT_CLASS(TOrderProbe)
VCL_IMPLEMENT_CLASS(TDerivedOrderProbe)
VCL_IMPLEMENT_CLASS(TThrowingProbe)
VCL_IMPLEMENT_CLASS(TModalProbe)
VCL_IMPLEMENT_CLASS(TCentredProbe)

bool TProbeForm::ThrowInCreate = false;
int TThrowingProbe::AfterCalls = 0;

TProbePanel::TProbePanel(TOwnerArg owner) : TCustomControl(owner)
{
  SetControlStyle(GetControlStyle() << csAcceptsControls);
}

void TProbePanel::Paint()
{
  ++Paints;
  GetCanvas()->GetBrush()->SetColor(GetColor());
  GetCanvas()->FillRect(GetClientRect());
}

TProbeGraphic::TProbeGraphic(TOwnerArg owner) : TGraphicControl(owner)
{
  SetControlStyle(GetControlStyle() << csOpaque);
}

void TProbeGraphic::Paint()
{
  ++Paints;
  HDC dc = GetCanvas()->GetHandle();
  GetClipBox(dc, &ClipBox);
  GetWindowOrgEx(dc, &WindowOrigin);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (GetClipRgn(dc, region) == 1) GetRgnBox(region, &ClipRegionBox);
  DeleteObject(region);
  GetCanvas()->GetBrush()->SetColor(GetColor());
  GetCanvas()->FillRect(GetClientRect());
}

void TProbeGraphic::WndProc(TMessage& message)
{
  if (message.Msg != WM_PAINT) Messages.push_back(message.Msg);
  switch (message.Msg) {
    case CM_MOUSEENTER: Events.push_back("enter"); break;
    case CM_MOUSELEAVE: Events.push_back("leave"); break;
    case WM_LBUTTONDOWN:
      Events.push_back("down " + std::to_string(short(LOWORD(message.LParam))) + "," +
                       std::to_string(short(HIWORD(message.LParam))));
      break;
    case WM_LBUTTONUP:
      Events.push_back("up " + std::to_string(short(LOWORD(message.LParam))) + "," +
                       std::to_string(short(HIWORD(message.LParam))));
      break;
    default: break;
  }
  TGraphicControl::WndProc(message);
}

TProbeForm::TProbeForm(TOwnerArg owner) : TForm(owner)
{
  // The stored form has been read: the components are in place for the body.
  BodySawPanel = Panel && Panel->GetParent() == this;
  Log.push_back("body");
}

TProbeForm::~TProbeForm() = default;

void TProbeForm::FormCreate(TObject*)
{
  Log.push_back("create");
  if (ThrowInCreate) throw Exception("create failed");
  Log.push_back("create done");
}

void TProbeForm::FormKeyDown(TObject*, WORD& key, TShiftState shift)
{
  Log.push_back(std::string("form key ") + char(key) + (shift.Contains(ssCtrl) ? "+ctrl" : ""));
  if (key == 'A') key = 0;
}

void TProbeForm::PanelKeyDown(TObject*, WORD& key, TShiftState) { Log.push_back(std::string("panel key ") + char(key)); }

void TModalProbe::DoShow()
{
  ++Shows;
  TForm::DoShow();
  if (ResultOnShow != mrNone) SetModalResult(ResultOnShow);
}

void TCentredProbe::DoShow()
{
  SetBounds(GetLeft(), GetTop(), 400, 300);
  if (RaiseInShow) throw Exception("show failed");
}

void TExceptionSink::Handle(TObject* sender, Exception* e)
{
  Senders.push_back(sender);
  Messages.push_back(e->Message.c_str());
}

TThrowingProbe::TThrowingProbe(TOwnerArg owner) : TOrderProbe(owner) { throw Exception("constructor failed"); }

void TThrowingProbe::AfterConstruction()
{
  ++AfterCalls;
  TOrderProbe::AfterConstruction();
}
void TProbeForm::FormShow(TObject*) { Log.push_back("show"); }
void TProbeForm::GoExecute(TObject*) { ++GoCount; }
void TProbeForm::BoxClick(TObject*) { Log.push_back("box click"); }

TOrderProbe::TOrderProbe(TOwnerArg owner) : TComponent(owner) { BodyDone = true; }

void TOrderProbe::AfterConstruction()
{
  TComponent::AfterConstruction();
  ++AfterCount;
  SawBodyDone = BodyDone;
  SeenClass = ClassType();
}

TDerivedOrderProbe::TDerivedOrderProbe(TOwnerArg owner) : TOrderProbe(owner) { DerivedBodyDone = true; }

void TDerivedOrderProbe::AfterConstruction()
{
  TOrderProbe::AfterConstruction();
  SawDerivedBody = DerivedBodyDone;
}

void RegisterControlsTestClasses()
{
  RegisterClasses({TProbePanel::StaticClass(), TProbeGraphic::StaticClass(), TProbeForm::StaticClass(),
                   TActionList::StaticClass(), TAction::StaticClass(), TPopupMenu::StaticClass(),
                   TMenuItem::StaticClass(), TDerivedOrderProbe::StaticClass(), TTestForm::StaticClass(),
                   TSkeletonForm::StaticClass()});
}
