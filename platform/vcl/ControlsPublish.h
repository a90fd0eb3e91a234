// The published properties that many control classes share, in the VCL's names, for the
// VCL_PUBLISHED blocks of StdCtrls, ExtCtrls and Buttons. Not part of the package's interface.
#pragma once

#include "Menus.h"
#include "StdCtrls.h"

namespace vcl_detail {

template <class T>
void PublishAlign(TPublisher<T>& p)
{
  p.Property("Align", &T::GetAlign, &T::SetAlign).Default(alNone);
  p.Property("Anchors", &T::GetAnchors, &T::SetAnchors).Default(TAnchors() << akLeft << akTop);
}

// BiDiMode, Color, Font and their Parent switches; Color and Font are stored only when not taken
// from the parent.
template <class T>
void PublishLook(TPublisher<T>& p, bool parentColor = true)
{
  p.Property("BiDiMode", &T::GetBiDiMode, &T::SetBiDiMode).Default(bdLeftToRight);
  p.Property("Color", &T::GetColor, &T::SetColor).Stored(&T::IsColorStored);
  p.Property("Font", &T::GetFont, &T::SetFont).Stored(&T::IsFontStored);
  p.Property("ParentBiDiMode", &T::GetParentBiDiMode, &T::SetParentBiDiMode).Default(true);
  p.Property("ParentColor", &T::GetParentColor, &T::SetParentColor).Default(parentColor);
  p.Property("ParentFont", &T::GetParentFont, &T::SetParentFont).Default(true);
}

// Enabled, Visible, hints, cursor, pop-up menu.
template <class T>
void PublishState(TPublisher<T>& p)
{
  p.Property("Cursor", &T::GetCursor, &T::SetCursor).Default(int(crDefault));
  p.Property("Enabled", &T::GetEnabled, &T::SetEnabled).Default(true);
  p.Property("Hint", &T::GetHint, &T::SetHint);
  p.Property("ParentShowHint", &T::GetParentShowHint, &T::SetParentShowHint).Default(true);
  p.Property("PopupMenu", &T::GetPopupMenu, &T::SetPopupMenu);
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

// Tab order and stop, focus and key events of windowed controls.
template <class T>
void PublishFocus(TPublisher<T>& p, bool tabStop)
{
  p.Property("TabOrder", &T::GetTabOrder, &T::SetTabOrder).Default(-1);
  p.Property("TabStop", &T::GetTabStop, &T::SetTabStop).Default(tabStop);
  p.Property("OnEnter", &T::OnEnter, &T::OnEnter);
  p.Property("OnExit", &T::OnExit, &T::OnExit);
  p.Property("OnKeyDown", &T::OnKeyDown, &T::OnKeyDown);
  p.Property("OnKeyPress", &T::OnKeyPress, &T::OnKeyPress);
  p.Property("OnKeyUp", &T::OnKeyUp, &T::OnKeyUp);
}

}  // namespace vcl_detail
