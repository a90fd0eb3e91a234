// Controls: Align and Anchors — one pass that fills the parent's client area with the aligned
// children in the VCL's order, then keeps the anchored ones at their distances. Bounds arithmetic
// only; every move goes through the child's virtual SetBounds.
#include "Controls.h"

#include <algorithm>

namespace vcl_detail {

namespace {

// The order aligned children take their side in: the one nearest its side first.
bool AlignedBefore(TAlign align, const TControl* a, const TControl* b)
{
  switch (align) {
    case alTop: return a->GetTop() < b->GetTop();
    case alBottom: return a->GetTop() + a->GetHeight() > b->GetTop() + b->GetHeight();
    case alLeft: return a->GetLeft() < b->GetLeft();
    case alRight: return a->GetLeft() + a->GetWidth() > b->GetLeft() + b->GetWidth();
    default: return false;
  }
}

void Place(TControl* c, TAlign align, TRect& rect)
{
  const int width = c->GetWidth(), height = c->GetHeight();
  switch (align) {
    case alTop:
      c->SetBounds(rect.Left, rect.Top, rect.Width(), height);
      rect.Top += c->GetHeight();
      break;
    case alBottom:
      rect.Bottom -= height;
      c->SetBounds(rect.Left, rect.Bottom, rect.Width(), height);
      break;
    case alLeft:
      c->SetBounds(rect.Left, rect.Top, width, rect.Height());
      rect.Left += c->GetWidth();
      break;
    case alRight:
      rect.Right -= width;
      c->SetBounds(rect.Right, rect.Top, width, rect.Height());
      break;
    case alClient: c->SetBounds(rect.Left, rect.Top, std::max(rect.Width(), 0), std::max(rect.Height(), 0)); break;
    case alNone: break;
  }
}

}  // namespace

void AlignChildren(TWinControl* parent, TControl* control, TRect& rect)
{
  (void)control;
  std::vector<TControl*> children;
  for (int i = 0; i < parent->GetControlCount(); ++i) children.push_back(parent->GetControl(i));
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    for (TControl* c : children)
      if (c->GetAlign() == align && c->GetVisible()) list.push_back(c);
    std::stable_sort(list.begin(), list.end(), [align](const TControl* a, const TControl* b) {
      return AlignedBefore(align, a, b);
    });
    for (TControl* c : list) Place(c, align, rect);
  }
  const TRect client = parent->GetClientRect();
  const TPoint size(client.Width(), client.Height());
  for (TControl* c : children)
    if (c->GetAlign() == alNone) c->DoPosition(size);
}

}  // namespace vcl_detail

void TWinControl::FlipChildren(bool allLevels)
{
  if (GetControlCount() == 0) return;
  DisableAlign();
  try {
    DoFlipChildren();
    if (allLevels)
      for (int i = 0; i < GetControlCount(); ++i)
        if (auto* child = dynamic_cast<TWinControl*>(GetControl(i))) child->FlipChildren(true);
  } catch (...) {
    EnableAlign();
    throw;
  }
  EnableAlign();
  // Everything moved: the whole window is painted again, children included.
  if (HandleAllocated()) RedrawWindow(GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TWinControl::DoFlipChildren()
{
  const int width = GetClientWidth();
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* control = GetControl(i);
    control->SetLeft(width - control->GetLeft() - control->GetWidth());
    if (control->GetAlign() == alLeft)
      control->SetAlign(alRight);
    else if (control->GetAlign() == alRight)
      control->SetAlign(alLeft);
    TAnchors anchors = control->GetAnchors();
    const bool left = anchors.Contains(akLeft), right = anchors.Contains(akRight);
    if (left != right) {
      if (left) anchors >> akLeft << akRight;
      else anchors >> akRight << akLeft;
      control->SetAnchors(anchors);
    }
  }
}
