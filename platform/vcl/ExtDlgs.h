// ExtDlgs: the picture-open dialog, the platform's open dialog with a preview of the selected
// picture beside its own controls.
//
// Bodies: ExtDlgs.cpp.
//
// The filter offers every format registered with TPicture (an "All" entry first, then one entry per
// format), as it stands when the dialog is made. The preview loads the selected file through the
// picture registry and draws it scaled to fit (never enlarged), centred, with its size in pixels
// below; a folder, a file of an unregistered kind, or one the loader refuses shows "(None)".
#pragma once

#include <memory>
#include <vector>

#include "Dialogs.h"
#include "Graphics.h"

class TOpenPictureDialog : public TOpenDialog {
  VCL_DECLARE_CLASS(TOpenPictureDialog, TOpenDialog)
  explicit TOpenPictureDialog(TOwnerArg owner);
  ~TOpenPictureDialog() override;
  // The filter is stored only when it is not the registered formats' one.
  bool IsFilterStored() const;

  // Control identifiers of the child dialog (the preview's frame and picture).
  static constexpr int PreviewFrameId = 0x3001;
  static constexpr int PreviewPictureId = 0x3002;

protected:
  void DoClose() override;
  void DoSelectionChange() override;
  const DLGTEMPLATE* ChildTemplate() override;
  bool ChildMessage(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
  void LoadPreview(const AnsiString& path);
  void DrawPreview(const DRAWITEMSTRUCT& item);

  std::vector<WORD> FTemplate;
  std::unique_ptr<TPicture> FPreview;
  HWND FPreviewWindow = nullptr;
};
