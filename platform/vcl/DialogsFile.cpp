// Dialogs: TCommonDialog and TOpenDialog over the platform's open dialog (GetOpenFileNameW), with an
// Explorer-style hook through which the events run and descendants add a child dialog.
#include "Dialogs.h"

#include <commdlg.h>

#include <algorithm>

VCL_IMPLEMENT_ENUM(TOpenOption, "ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir", "ofShowHelp",
                   "ofNoValidate", "ofAllowMultiSelect", "ofExtensionDifferent", "ofPathMustExist",
                   "ofFileMustExist", "ofCreatePrompt", "ofShareAware", "ofNoReadOnlyReturn", "ofNoTestFileCreate",
                   "ofNoNetworkButton", "ofNoLongNames", "ofOldStyleDialog", "ofNoDereferenceLinks",
                   "ofEnableIncludeNotify", "ofEnableSizing")

VCL_PUBLISHED(TCommonDialog)
{
  p.Property("Ctl3D", &TCommonDialog::GetCtl3D, &TCommonDialog::SetCtl3D).Default(true);
  p.Property("HelpContext", &TCommonDialog::GetHelpContext, &TCommonDialog::SetHelpContext).Default(0);
  p.Property("OnClose", &TCommonDialog::OnClose, &TCommonDialog::OnClose);
  p.Property("OnShow", &TCommonDialog::OnShow, &TCommonDialog::OnShow);
}

VCL_PUBLISHED(TOpenDialog)
{
  p.Property("DefaultExt", &TOpenDialog::GetDefaultExt, &TOpenDialog::SetDefaultExt);
  p.Property("FileName", &TOpenDialog::GetFileName, &TOpenDialog::SetFileName);
  p.Property("Filter", &TOpenDialog::GetFilter, &TOpenDialog::SetFilter);
  p.Property("FilterIndex", &TOpenDialog::GetFilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
  p.Property("InitialDir", &TOpenDialog::GetInitialDir, &TOpenDialog::SetInitialDir);
  p.Property("Options", &TOpenDialog::GetOptions, &TOpenDialog::SetOptions)
      .Default(TOpenDialog::DefaultOpenOptions());
  p.Property("Title", &TOpenDialog::GetTitle, &TOpenDialog::SetTitle);
  p.Property("OnFolderChange", &TOpenDialog::OnFolderChange, &TOpenDialog::OnFolderChange);
  p.Property("OnSelectionChange", &TOpenDialog::OnSelectionChange, &TOpenDialog::OnSelectionChange);
  p.Property("OnTypeChange", &TOpenDialog::OnTypeChange, &TOpenDialog::OnTypeChange);
}

namespace {

TUnitInit DialogsUnitInit("Dialogs", [] { RegisterClass(TOpenDialog::StaticClass()); });

// The OFN_* flag of each option, in the options' order; ofOldStyleDialog has none.
constexpr DWORD OptionFlags[] = {
    OFN_READONLY, OFN_OVERWRITEPROMPT, OFN_HIDEREADONLY, OFN_NOCHANGEDIR, OFN_SHOWHELP, OFN_NOVALIDATE,
    OFN_ALLOWMULTISELECT, OFN_EXTENSIONDIFFERENT, OFN_PATHMUSTEXIST, OFN_FILEMUSTEXIST, OFN_CREATEPROMPT,
    OFN_SHAREAWARE, OFN_NOREADONLYRETURN, OFN_NOTESTFILECREATE, OFN_NONETWORKBUTTON, OFN_NOLONGNAMES, 0,
    OFN_NODEREFERENCELINKS, OFN_ENABLEINCLUDENOTIFY, OFN_ENABLESIZING};
static_assert(std::size(OptionFlags) == ofEnableSizing + 1, "one flag per option");

// Room for one path; with several files, for a long list of names.
constexpr DWORD SingleFileBuffer = 32768;
constexpr DWORD MultiFileBuffer = 262144;

std::wstring Wide(const AnsiString& text) { return Utf8ToUtf16(text.str()); }

const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

namespace vcl_detail {

std::wstring DialogFilter(const AnsiString& filter)
{
  std::wstring result = Wide(filter);
  std::replace(result.begin(), result.end(), L'|', L'\0');
  result.push_back(L'\0');
  result.push_back(L'\0');
  return result;
}

DWORD OpenOptionFlags(TOpenOptions options)
{
  DWORD flags = 0;
  for (int o = ofReadOnly; o <= ofEnableSizing; ++o)
    if (options.Contains(TOpenOption(o))) flags |= OptionFlags[o];
  return flags;
}

std::vector<std::wstring> ChosenPaths(const wchar_t* buffer, size_t size)
{
  std::vector<std::wstring> parts;
  size_t pos = 0;
  while (pos < size && buffer[pos]) {
    const size_t end = std::find(buffer + pos, buffer + size, L'\0') - buffer;
    parts.emplace_back(buffer + pos, end - pos);
    pos = end + 1;
  }
  if (parts.size() <= 1) return parts;
  std::wstring folder = parts.front();
  if (folder.back() != L'\\') folder.push_back(L'\\');
  std::vector<std::wstring> paths;
  for (size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + parts[i]);
  return paths;
}

}  // namespace vcl_detail

// ===================================================================================================
// TCommonDialog
TCommonDialog::TCommonDialog(TOwnerArg owner) : TComponent(owner) {}

TCommonDialog::~TCommonDialog() = default;

void TCommonDialog::DoShow()
{
  if (OnShow) OnShow(this);
}

void TCommonDialog::DoClose()
{
  if (OnClose) OnClose(this);
}

HWND TCommonDialog::OwnerWindow() const
{
  if (Screen)
    if (TCustomForm* form = Screen->GetActiveForm(); form && form->HandleAllocated() && IsWindowVisible(form->GetHandle()))
      return form->GetHandle();
  if (!Application) return nullptr;
  Application->CreateHandle();
  return Application->GetHandle();
}

// ===================================================================================================
// TOpenDialog
TOpenDialog::TOpenDialog(TOwnerArg owner) : TCommonDialog(owner), FFiles(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

TOpenOptions TOpenDialog::DefaultOpenOptions()
{
  // Set from the options' flags, not with operator<< on constants: GCC 12 folds that code together
  // with the same operator of the two-byte message box sets and then warns about their bounds.
  TOpenOptions options;
  for (TOpenOption o : {ofHideReadOnly, ofEnableSizing}) options.Bytes()[o / 8] |= static_cast<unsigned char>(1u << (o % 8));
  return options;
}

bool TOpenDialog::Execute()
{
  using namespace vcl_detail;
  std::vector<wchar_t> buffer(FOptions.Contains(ofAllowMultiSelect) ? MultiFileBuffer : SingleFileBuffer, L'\0');
  const std::wstring initial = Wide(FFileName);
  std::copy_n(initial.begin(), std::min(initial.size(), buffer.size() - 1), buffer.begin());
  const std::wstring filter = DialogFilter(FFilter);
  const std::wstring initialDir = Wide(FInitialDir);
  const std::wstring title = Wide(FTitle);
  std::wstring defaultExt = Wide(FDefaultExt);
  if (!defaultExt.empty() && defaultExt.front() == L'.') defaultExt.erase(0, 1);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = OwnerWindow();
  ofn.lpstrFilter = FFilter.IsEmpty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = DWORD(std::max(FFilterIndex, 0));
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = DWORD(buffer.size());
  ofn.lpstrInitialDir = OrNull(initialDir);
  ofn.lpstrTitle = OrNull(title);
  ofn.lpstrDefExt = OrNull(defaultExt);
  ofn.Flags = OpenOptionFlags(FOptions) | OFN_EXPLORER | OFN_ENABLEHOOK;
  ofn.lpfnHook = &TOpenDialog::HookProc;
  ofn.lCustData = reinterpret_cast<LPARAM>(this);
  if (const DLGTEMPLATE* child = ChildTemplate()) {
    ofn.Flags |= OFN_ENABLETEMPLATEHANDLE;
    ofn.hInstance = reinterpret_cast<HINSTANCE>(const_cast<DLGTEMPLATE*>(child));
  }

  const BOOL accepted = GetOpenFileNameW(&ofn);
  FHandle = nullptr;
  if (!accepted) {
    if (const DWORD error = CommDlgExtendedError())
      throw EInvalidOperation("The open dialog could not be shown (error " + IntToStr(int(error)) + ")");
    return false;
  }
  TakeResult(buffer, ofn.Flags, ofn.nFilterIndex);
  return true;
}

void TOpenDialog::TakeResult(const std::vector<wchar_t>& buffer, DWORD flags, DWORD filterIndex)
{
  FFiles->Clear();
  for (const std::wstring& path : vcl_detail::ChosenPaths(buffer.data(), buffer.size()))
    FFiles->Add(AnsiString(Utf16ToUtf8(path)));
  FFileName = FFiles->GetCount() > 0 ? FFiles->Get(0) : AnsiString();
  FFilterIndex = int(filterIndex);
  if (flags & OFN_READONLY) FOptions << ofReadOnly;
  else FOptions >> ofReadOnly;
  if (flags & OFN_EXTENSIONDIFFERENT) FOptions << ofExtensionDifferent;
  else FOptions >> ofExtensionDifferent;
}

AnsiString TOpenDialog::GetSelectedPath() const
{
  if (!FHandle) return AnsiString();
  std::vector<wchar_t> path(SingleFileBuffer, L'\0');
  const LRESULT n = SendMessageW(FHandle, CDM_GETFILEPATH, WPARAM(path.size()), reinterpret_cast<LPARAM>(path.data()));
  if (n <= 0 || size_t(n) > path.size()) return AnsiString();
  return AnsiString(Utf16ToUtf8(std::wstring_view(path.data(), wcsnlen(path.data(), path.size()))));
}

void TOpenDialog::DoSelectionChange()
{
  if (OnSelectionChange) OnSelectionChange(this);
}

void TOpenDialog::DoFolderChange()
{
  if (OnFolderChange) OnFolderChange(this);
}

void TOpenDialog::DoTypeChange()
{
  if (OnTypeChange) OnTypeChange(this);
}

void TOpenDialog::CenterDialog(HWND dialog)
{
  if (!dialog) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT work = monitor.rcWork;
  RECT area = work;
  HWND owner = GetWindow(dialog, GW_OWNER);
  RECT ownerRect{};
  if (owner && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &ownerRect) &&
      ownerRect.right > ownerRect.left && ownerRect.bottom > ownerRect.top)
    area = ownerRect;
  RECT own{};
  GetWindowRect(dialog, &own);
  const int w = own.right - own.left, h = own.bottom - own.top;
  int x = area.left + (area.right - area.left - w) / 2, y = area.top + (area.bottom - area.top - h) / 2;
  x = std::max(int(work.left), std::min(x, int(work.right) - w));
  y = std::max(int(work.top), std::min(y, int(work.bottom) - h));
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TOpenDialog::ChildMessage(HWND, UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

// The child dialog's procedure hook: the dialog object rides in the child's user data from
// WM_INITDIALOG on. Nothing thrown gets past here into the platform's dialog code.
UINT_PTR CALLBACK TOpenDialog::HookProc(HWND child, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
  TOpenDialog* self = nullptr;
  try {
    if (msg == WM_INITDIALOG)
      SetWindowLongPtrW(child, GWLP_USERDATA, reinterpret_cast<const OPENFILENAMEW*>(lParam)->lCustData);
    self = reinterpret_cast<TOpenDialog*>(GetWindowLongPtrW(child, GWLP_USERDATA));
    return self ? self->Hook(child, msg, wParam, lParam) : 0;
  } catch (...) {
    try {
      if (Application) Application->HandleException(self);
    } catch (...) {
    }
    return 0;
  }
}

UINT_PTR TOpenDialog::Hook(HWND child, UINT msg, WPARAM wParam, LPARAM lParam)
{
  INT_PTR result = 0;
  const bool handled = ChildMessage(child, msg, wParam, lParam, result);
  switch (msg) {
    case WM_INITDIALOG:
      FHandle = GetParent(child);
      DoShow();
      break;
    case WM_NOTIFY:
      switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case CDN_SELCHANGE: DoSelectionChange(); break;
        case CDN_FOLDERCHANGE: DoFolderChange(); break;
        case CDN_TYPECHANGE: DoTypeChange(); break;
        case CDN_INITDONE: CenterDialog(FHandle); break;
        default: break;
      }
      break;
    case WM_DESTROY:
      DoClose();
      SetWindowLongPtrW(child, GWLP_USERDATA, 0);
      FHandle = nullptr;
      break;
    default: break;
  }
  return handled ? UINT_PTR(result) : 0;
}
