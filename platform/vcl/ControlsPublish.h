// The published properties that many control classes share, in the VCL's names, for the
// VCL_PUBLISHED blocks of StdCtrls, ExtCtrls and Buttons and of controls in other packages built on
// them (the media player's panel). Header templates only: a package that includes this header
// instantiates them for its own classes, so nothing needs exporting. Each group publishes its
// properties in the order shown, which is the order stored forms are written in.
#pragma once

#include "ExtCtrls.h"
#include "Menus.h"
#include "StdCtrls.h"

namespace vcl_detail {

// Parts a control may leave out of the shared groups: one that shows no text of its own need not
// publish a Font, one that offers no menu of its own no PopupMenu.
enum class WithFont : bool { No, Yes };
enum class WithPopupMenu : bool { No, Yes };

template <class T>
void PublishAlign(TPublisher<T>& p)
{
  p.Property("Align", &T::GetAlign, &T::SetAlign).Default(alNone);
  p.Property("Anchors", &T::GetAnchors, &T::SetAnchors).Default(TAnchors() << akLeft << akTop);
}

// BiDiMode, Color, Font and their Parent switches; Color and Font are stored only when not taken
// from the parent.
template <class T>
void PublishLook(TPublisher<T>& p, bool parentColor = true, WithFont font = WithFont::Yes)
{
  p.Property("BiDiMode", &T::GetBiDiMode, &T::SetBiDiMode).Stored(&T::IsBiDiModeStored);
  p.Property("Color", &T::GetColor, &T::SetColor).Stored(&T::IsColorStored);
  if (font == WithFont::Yes) p.Property("Font", &T::GetFont, &T::SetFont).Stored(&T::IsFontStored);
  p.Property("ParentBiDiMode", &T::GetParentBiDiMode, &T::SetParentBiDiMode).Default(true);
  p.Property("ParentColor", &T::GetParentColor, &T::SetParentColor).Default(parentColor);
  if (font == WithFont::Yes) p.Property("ParentFont", &T::GetParentFont, &T::SetParentFont).Default(true);
}

// Enabled, Visible, hints, cursor, pop-up menu.
template <class T>
void PublishState(TPublisher<T>& p, WithPopupMenu popupMenu = WithPopupMenu::Yes)
{
  p.Property("Cursor", &T::GetCursor, &T::SetCursor).Default(int(crDefault));
  p.Property("Enabled", &T::GetEnabled, &T::SetEnabled).Default(true);
  p.Property("Hint", &T::GetHint, &T::SetHint);
  p.Property("ParentShowHint", &T::GetParentShowHint, &T::SetParentShowHint).Default(true);
  if (popupMenu == WithPopupMenu::Yes) p.Property("PopupMenu", &T::GetPopupMenu, &T::SetPopupMenu);
  p.Property("ShowHint", &T::GetShowHint, &T::SetShowHint).Stored(&T::IsShowHintStored);
  p.Property("Visible", &T::GetVisible, &T::SetVisible).Default(true);
}

template <class T>
void PublishMouseEvents(TPublisher<T>& p)
{
  p.Property("OnClick", &T::OnClick, &T::OnClick);
  p.Property("OnDblClick", &T::OnDblClick, &T::OnDblClick);
  p.Property("OnMouseDown", &T::OnMouseDown, &T::OnMouseDown);
  p.Property("OnMouseMove", &T::OnMouseMove, &T::OnMouseMove);
  p.Property("OnMouseUp", &T::OnMouseUp, &T::OnMouseUp);
}

// The bevels and border of a panel.
template <class T>
void PublishBevels(TPublisher<T>& p)
{
  p.Property("BevelInner", &T::GetBevelInner, &T::SetBevelInner).Default(bvNone);
  p.Property("BevelOuter", &T::GetBevelOuter, &T::SetBevelOuter).Default(bvRaised);
  p.Property("BevelWidth", &T::GetBevelWidth, &T::SetBevelWidth).Default(1);
  p.Property("BorderWidth", &T::GetBorderWidth, &T::SetBorderWidth).Default(0);
  p.Property("BorderStyle", &T::GetBorderStyle, &T::SetBorderStyle).Default(bsNone);
}

// Tab order and stop of windowed controls.
template <class T>
void PublishTabs(TPublisher<T>& p, bool tabStop)
{
  p.Property("TabOrder", &T::GetTabOrder, &T::SetTabOrder).Default(-1);
  p.Property("TabStop", &T::GetTabStop, &T::SetTabStop).Default(tabStop);
}

// Focus and key events of windowed controls.
template <class T>
void PublishFocusEvents(TPublisher<T>& p)
{
  p.Property("OnEnter", &T::OnEnter, &T::OnEnter);
  p.Property("OnExit", &T::OnExit, &T::OnExit);
  p.Property("OnKeyDown", &T::OnKeyDown, &T::OnKeyDown);
  p.Property("OnKeyPress", &T::OnKeyPress, &T::OnKeyPress);
  p.Property("OnKeyUp", &T::OnKeyUp, &T::OnKeyUp);
}

// How the control is dragged (DragCursor, DragKind, DragMode), and the events of dragging and docking.
template <class T>
void PublishDrag(TPublisher<T>& p)
{
  p.Property("DragCursor", &T::GetDragCursor, &T::SetDragCursor).Default(int(crDrag));
  p.Property("DragKind", &T::GetDragKind, &T::SetDragKind).Default(dkDrag);
  p.Property("DragMode", &T::GetDragMode, &T::SetDragMode).Default(dmManual);
}

template <class T>
void PublishDragEvents(TPublisher<T>& p)
{
  p.Property("OnDragDrop", &T::OnDragDrop, &T::OnDragDrop);
  p.Property("OnDragOver", &T::OnDragOver, &T::OnDragOver);
  p.Property("OnEndDock", &T::OnEndDock, &T::OnEndDock);
  p.Property("OnEndDrag", &T::OnEndDrag, &T::OnEndDrag);
  p.Property("OnStartDock", &T::OnStartDock, &T::OnStartDock);
  p.Property("OnStartDrag", &T::OnStartDrag, &T::OnStartDrag);
}

// The input method of controls that take text.
template <class T>
void PublishIme(TPublisher<T>& p)
{
  p.Property("ImeMode", &T::GetImeMode, &T::SetImeMode).Default(imDontCare);
  p.Property("ImeName", &T::GetImeName, &T::SetImeName);
}

// Tab order and stop, focus and key events of windowed controls.
template <class T>
void PublishFocus(TPublisher<T>& p, bool tabStop)
{
  PublishTabs(p, tabStop);
  PublishFocusEvents(p);
}

}  // namespace vcl_detail
