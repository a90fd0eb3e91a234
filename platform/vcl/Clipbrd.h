// Clipbrd: the clipboard as the VCL's TClipboard presents it. Text is UTF-8 here and CF_UNICODETEXT
// on the clipboard; pictures go as CF_DIB (the platform offers CF_BITMAP from it) plus CF_BITMAP.
//
// Bodies: Clipbrd.cpp.
#pragma once

#include <string>

#include "Forms.h"

OSTREL_VCL_EXCEPTION(EClipboardException, Exception);

class TClipboard : public TPersistent {
  VCL_DECLARE_CLASS(TClipboard, TPersistent)
  TClipboard() = default;
  ~TClipboard() override;
  TClipboard(const TClipboard&) = delete;
  TClipboard& operator=(const TClipboard&) = delete;

  // Opens are counted; the first opens the clipboard (retrying for a moment while another program
  // holds it, then raising EClipboardException), the last Close closes it. Data set between an Open
  // and its Close is offered together: the old contents go before the first item is set.
  void Open();
  void Close();
  void Clear();
  bool HasFormat(UINT format) const;
  int GetFormatCount() const;
  UINT GetFormats(int index) const;

  AnsiString GetAsText();
  void SetAsText(const AnsiString& value);
  // The clipboard's handle for a format (owned by the clipboard; valid while it is open), or null.
  HANDLE GetAsHandle(UINT format);
  // Gives the handle to the clipboard, which owns it from then on.
  void SetAsHandle(UINT format, HANDLE value);
  // Raw data of a format (a registered one, say) as bytes.
  void SetBuffer(UINT format, const void* data, int size);
  std::string GetBuffer(UINT format);

  // TPicture, TBitmap: put as a picture. Assigning the clipboard to a TPicture or TBitmap takes the
  // picture on it (EClipboardException when there is none).
  void Assign(TPersistent* source) override;

  // A format of the program's own, by name (the same name gives the same format in every program).
  static UINT RegisterFormat(const AnsiString& name);

protected:
  void AssignTo(TPersistent* dest) override;

private:
  void Adding();
  void AssignBitmap(TBitmap* bitmap);
  HWND Window();
  int FOpenRefCount = 0;
  bool FEmptied = false;
  HWND FWindow = nullptr;
};

// The program's clipboard object (made on first use, on the main thread).
TClipboard* Clipboard();
// Replaces it (returns the previous one, which the caller then owns).
TClipboard* SetClipboard(TClipboard* newClipboard);
