// Controls: canvases of controls, graphic controls painted by their parent, and custom controls that
// paint their own window.
#include "Controls.h"

VCL_IMPLEMENT_CLASS(TControlCanvas)
VCL_PUBLISHED(TGraphicControl) {}
VCL_PUBLISHED(TCustomControl) {}

// ===================================================================================================
// TControlCanvas
TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* value)
{
  if (FControl == value) return;
  FreeHandle();
  FControl = value;
}

void TControlCanvas::FreeHandle()
{
  if (!FDeviceContext) return;
  SetHandle(nullptr);
  ReleaseDC(FWindowHandle, FDeviceContext);
  FDeviceContext = nullptr;
  FWindowHandle = nullptr;
}

// Outside painting: a DC of the control's window, or of its parent's window with the origin moved to
// the control and the clip narrowed to it.
void TControlCanvas::CreateHandle()
{
  if (!FControl) return;
  TControl* control = FControl;
  int x = 0, y = 0;
  TWinControl* window = dynamic_cast<TWinControl*>(control);
  if (!window) {
    window = control->GetParent();
    x = control->GetLeft();
    y = control->GetTop();
  }
  if (!window) throw EInvalidOperation(Format("Control '%s' has no parent window", {control->GetName()}));
  FWindowHandle = window->GetHandle();
  FDeviceContext = GetDCEx(FWindowHandle, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  if (!FDeviceContext) throw EOutOfResources("Out of system resources");
  SetWindowOrgEx(FDeviceContext, -x, -y, nullptr);
  IntersectClipRect(FDeviceContext, 0, 0, control->GetWidth(), control->GetHeight());
  SetHandle(FDeviceContext);
  UpdateTextFlags();
}

void TControlCanvas::PaintOn(HDC dc, const std::function<void()>& paint)
{
  Lock();
  struct Done {
    TControlCanvas* canvas;
    ~Done()
    {
      canvas->SetHandle(nullptr);
      canvas->Unlock();
    }
  } done{this};
  FreeHandle();
  SetHandle(dc);
  UpdateTextFlags();
  paint();
}

void TControlCanvas::UpdateTextFlags()
{
  if (!FControl) return;
  int flags = GetTextFlags() & ~ETO_RTLREADING;
  if (FControl->UseRightToLeftReading()) flags |= ETO_RTLREADING;
  SetTextFlags(flags);
}

// ===================================================================================================
// TGraphicControl
TGraphicControl::TGraphicControl(TOwnerArg owner) : TControl(owner), FCanvas(std::make_unique<TControlCanvas>())
{
  FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() { FCanvas->FreeHandle(); }

void TGraphicControl::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  if (message.Msg == WM_PAINT) return WMPaint(static_cast<TWMPaint&>(message));
  TControl::Dispatch(raw);
}

// The parent hands over its DC, origin already at the control and clipped to it.
void TGraphicControl::WMPaint(TWMPaint& message)
{
  if (!message.DC()) return;
  FCanvas->PaintOn(message.DC(), [this] { Paint(); });
}

// ===================================================================================================
// TCustomControl
TCustomControl::TCustomControl(TOwnerArg owner) : TWinControl(owner), FCanvas(std::make_unique<TControlCanvas>())
{
  FCanvas->SetControl(this);
  FControlState << csCustomPaint;
}

TCustomControl::~TCustomControl() { FCanvas->FreeHandle(); }

void TCustomControl::PaintWindow(HDC dc)
{
  FCanvas->PaintOn(dc, [this] { Paint(); });
}
