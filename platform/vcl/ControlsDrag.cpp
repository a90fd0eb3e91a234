// Controls: dragging by the mouse (BeginDrag, dmAutomatic), the docking events, and the mouse wheel.
#include "Controls.h"

#include <cstdlib>

#include "Forms.h"

VCL_IMPLEMENT_ENUM(TDragMode, "dmManual", "dmAutomatic")
VCL_IMPLEMENT_ENUM(TDragKind, "dkDrag", "dkDock")
VCL_IMPLEMENT_ENUM(TDragState, "dsDragEnter", "dsDragLeave", "dsDragMove")
VCL_IMPLEMENT_ENUM(TImeMode, "imDisable", "imClose", "imOpen", "imDontCare", "imSAlpha", "imAlpha", "imHira",
                   "imSKata", "imKata", "imChinese", "imSHanguel", "imHanguel")
VCL_IMPLEMENT_CLASS(TDragObject)
VCL_IMPLEMENT_CLASS(TDragDockObject)

namespace {

// What CM_DRAG carries: which step of the drag, where (screen), and the answers.
enum TDragStep : WPARAM { dsStart, dsEnter, dsLeave, dsMove, dsDrop };
struct TDragRecord {
  TPoint Pos;
  TObject* Source = nullptr;
  TDragObject* Object = nullptr;
  bool Accept = false;
};

// The one drag of the thread: pending from BeginDrag until the mouse passes the threshold, then
// active until the button goes up, Escape, or the capture goes elsewhere.
struct TDragSession {
  TControl* Source = nullptr;
  TDragObject* Object = nullptr;
  bool OwnObject = false;
  bool Active = false;
  TPoint Start;
  int Threshold = 5;
  TControl* Target = nullptr;
  bool Accepted = false;
};
thread_local TDragSession Drag;

HWND CaptureWindowOf(TControl* control)
{
  if (auto* win = dynamic_cast<TWinControl*>(control)) return win->GetHandle();
  TWinControl* parent = control->GetParent();
  return parent ? parent->GetHandle() : nullptr;
}

TPoint CursorPos()
{
  POINT p{};
  ::GetCursorPos(&p);
  return TPoint(p.x, p.y);
}

bool SendDrag(TControl* control, TDragStep step, TDragRecord& record)
{
  record.Accept = false;
  control->Perform(CM_DRAG, step, reinterpret_cast<LPARAM>(&record));
  return record.Accept;
}

void SetDragCursor(bool accepted)
{
  const TCursor cursor = accepted && Drag.Source ? Drag.Source->GetDragCursor() : crNoDrop;
  ::SetCursor(Screen ? Screen->GetCursors(cursor) : LoadCursorW(nullptr, IDC_ARROW));
}

}  // namespace

namespace vcl_detail {

// The mouse and key messages of a window while this thread drags; true when the drag took the message.
bool DragInputMessage(UINT msg, WPARAM wParam)
{
  if (!Drag.Source) return false;
  TControl* source = Drag.Source;
  if (msg == WM_KEYDOWN && wParam == VK_ESCAPE) {
    source->EndDrag(false);
    return true;
  }
  if (msg == WM_CANCELMODE || msg == WM_CAPTURECHANGED) {
    if (Drag.Active) source->EndDrag(false);
    else Drag = TDragSession{};
    return false;
  }
  if (msg < WM_MOUSEFIRST || msg > WM_MOUSELAST || msg == WM_MOUSEWHEEL) return false;
  const TPoint pos = CursorPos();
  if (!Drag.Active) {
    if (msg == WM_LBUTTONUP) {
      // Released before the threshold: no drag, and the release is an ordinary one.
      Drag = TDragSession{};
      return false;
    }
    if (msg != WM_MOUSEMOVE) return false;
    if (std::abs(pos.x - Drag.Start.x) < Drag.Threshold && std::abs(pos.y - Drag.Start.y) < Drag.Threshold)
      return false;
    Drag.Active = true;
    TDragRecord start;
    start.Source = source;
    SendDrag(source, dsStart, start);
    Drag.OwnObject = start.Object == nullptr;
    Drag.Object = start.Object ? start.Object : new TDragObject;
    Drag.Object->SetControl(source);
    SetCaptureControl(source);
  }
  Drag.Object->SetDragPos(pos);
  TDragRecord record;
  record.Pos = pos;
  record.Source = source;
  record.Object = Drag.Object;
  if (msg == WM_MOUSEMOVE) {
    TControl* target = FindDragTarget(pos, false);
    if (target != Drag.Target) {
      if (Drag.Target) SendDrag(Drag.Target, dsLeave, record);
      Drag.Target = target;
      Drag.Accepted = target && SendDrag(target, dsEnter, record);
    } else if (target) {
      Drag.Accepted = SendDrag(target, dsMove, record);
    }
    Drag.Object->SetDragTarget(Drag.Accepted ? Drag.Target : nullptr);
    SetDragCursor(Drag.Accepted);
    return true;
  }
  if (msg == WM_LBUTTONUP) {
    source->EndDrag(Drag.Target && Drag.Accepted);
    return true;
  }
  return true;
}

// A control that goes while it is the drag's source or target leaves the drag.
void ForgetDragControl(TControl* control)
{
  if (Drag.Source == control) {
    if (Drag.OwnObject) delete Drag.Object;
    Drag = TDragSession{};
  }
  if (Drag.Target == control) Drag.Target = nullptr;
}

}  // namespace vcl_detail

void TControl::BeginDrag(bool immediate, int threshold)
{
  if (Drag.Source) return;
  Drag = TDragSession{};
  Drag.Source = this;
  Drag.Start = CursorPos();
  Drag.Threshold = immediate ? 0 : threshold < 0 ? Mouse->GetDragThreshold() : threshold;
  if (CaptureWindowOf(this)) SetCaptureControl(this);
  if (immediate) vcl_detail::DragInputMessage(WM_MOUSEMOVE, 0);
}

void TControl::EndDrag(bool drop)
{
  if (Drag.Source != this) return;
  TDragSession session = Drag;
  Drag = TDragSession{};
  struct FreeObject {
    TDragSession& session;
    ~FreeObject()
    {
      if (session.OwnObject) delete session.Object;
    }
  } freeObject{session};
  if (GetCaptureControl() == this || (dynamic_cast<TWinControl*>(this) && ::GetCapture() == CaptureWindowOf(this)))
    SetCaptureControl(nullptr);
  if (!session.Active) return;
  TControl* target = drop ? session.Target : nullptr;
  TPoint at;
  if (session.Target) {
    TDragRecord record;
    record.Pos = CursorPos();
    record.Source = this;
    record.Object = session.Object;
    at = session.Target->ScreenToClient(record.Pos);
    SendDrag(session.Target, drop ? dsDrop : dsLeave, record);
  }
  if (target) DoEndDrag(target, at.x, at.y);
  else DoEndDrag(nullptr, 0, 0);
}

bool TControl::Dragging() const { return Drag.Source == this && Drag.Active; }

void TControl::DragDrop(TObject* source, int x, int y)
{
  if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::DoStartDrag(TDragObject*& dragObject)
{
  if (OnStartDrag) OnStartDrag(this, dragObject);
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept)
{
  // A control without OnDragOver accepts nothing.
  accept = bool(OnDragOver);
  if (OnDragOver) OnDragOver(this, source, x, y, state, accept);
}

void TControl::DoEndDrag(TObject* target, int x, int y)
{
  if (OnEndDrag) OnEndDrag(this, target, x, y);
}

void TControl::DoStartDock(TDragDockObject*& dragObject)
{
  if (OnStartDock) OnStartDock(this, dragObject);
}

void TControl::DoEndDock(TObject* target, int x, int y)
{
  if (OnEndDock) OnEndDock(this, target, x, y);
}

bool TControl::DragOnMouseDown(TMouseButton button, int, int)
{
  if (button != mbLeft || FDragMode != dmAutomatic || Drag.Source) return false;
  BeginDrag(false);
  return true;
}

void TControl::CMDrag(TMessage& message)
{
  auto& record = *reinterpret_cast<TDragRecord*>(message.LParam);
  const TPoint at = ScreenToClient(record.Pos);
  switch (TDragStep(message.WParam)) {
    case dsStart:
      if (FDragKind == dkDock) {
        TDragDockObject* dock = nullptr;
        DoStartDock(dock);
        record.Object = dock;
      } else {
        DoStartDrag(record.Object);
      }
      return;
    case dsEnter: DragOver(record.Source, at.x, at.y, dsDragEnter, record.Accept); return;
    case dsLeave: DragOver(record.Source, at.x, at.y, dsDragLeave, record.Accept); return;
    case dsMove: DragOver(record.Source, at.x, at.y, dsDragMove, record.Accept); return;
    case dsDrop: DragDrop(record.Source, at.x, at.y); return;
  }
}

// ===================================================================================================
// The wheel
bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, const TPoint& mousePos)
{
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
  if (handled) return true;
  return wheelDelta < 0 ? DoMouseWheelDown(shift, mousePos) : DoMouseWheelUp(shift, mousePos);
}

bool TControl::DoMouseWheelDown(TShiftState shift, const TPoint& mousePos)
{
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, shift, mousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, const TPoint& mousePos)
{
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, shift, mousePos, handled);
  return handled;
}

// CM_MOUSEWHEEL carries WM_MOUSEWHEEL's parameters: keys and delta, the screen point.
void TControl::CMMouseWheel(TMessage& message)
{
  const TShiftState shift = KeysToShiftState(LOWORD(message.WParam));
  const int delta = short(HIWORD(message.WParam));
  const TPoint pos(short(LOWORD(message.LParam)), short(HIWORD(message.LParam)));
  if (DoMouseWheel(shift, delta, pos)) {
    message.Result = 1;
    return;
  }
  if (FParent) message.Result = FParent->Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
}
