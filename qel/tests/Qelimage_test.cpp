// The picture control and label on real windows: the context menu in each starting situation, shown
// with real input; loading through the picture-open dialog (cancelled, accepted, refused by the
// loader, and from the menu command); the canvas accessor; the best-fit resize.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Dibimage.h"
#include "ExtDlgs.h"
#include "GuiTest.h"
#include "QelImageTestSupport.h"
#include "Qelimage.h"
#include "Qellabel.h"
#include "Qelmenus.h"

using namespace ostrel::test;
using namespace qeltest;

namespace {

// The captions the image gives its commands when no translation is installed.
const AnsiString LoadCaption = "טען מקובץ";
const AnsiString DeleteCaption = "&מחק";
const AnsiString SourceCaption = "בחר מקור...";
const AnsiString AcquireCaption = "קבל תמונה...";

// An image whose hidden parts a test may see: the acquisition object and the sizes it was given.
class TImageProbe : public TQelImage {
  VCL_DECLARE_CLASS(TImageProbe, TQelImage)
  explicit TImageProbe(TOwnerArg owner) : TQelImage(owner) {}
  TQelTwain* Acquisition() const { return FTwain; }
  void SetBounds(int left, int top, int width, int height) override
  {
    Sizes.push_back(SIZE{width, height});
    TQelImage::SetBounds(left, top, width, height);
  }
  std::vector<SIZE> Sizes;
};
VCL_IMPLEMENT_CLASS(TImageProbe)

// The events as they arrive, in order.
class TEventLog : public TObject {
public:
  std::vector<std::string> Events;
  int WidthSeen = 0;
  TColor Mark = clNone;  // drawn into each new picture when set
  void LoadImage(TObject*, TPicture* picture)
  {
    Events.push_back("OnLoadImage");
    WidthSeen = picture->GetWidth();
    if (Mark == clNone) return;
    if (auto* dib = dynamic_cast<TDib*>(picture->GetGraphic())) {
      const COLORREF c = ColorToRGB(Mark);
      dib->SetPixel(0, 0, DWORD(GetBValue(c)) | DWORD(GetGValue(c)) << 8 | DWORD(GetRValue(c)) << 16);
    } else {
      picture->GetBitmap()->GetCanvas()->SetPixels(0, 0, Mark);
    }
  }
  void AfterLoad(TObject*) { Events.push_back("AfterLoadImage"); }
  void Bind(TQelImage* image)
  {
    image->OnLoadImage = TLoadImageEvent(this, &TEventLog::LoadImage);
    image->AfterLoadImage = TNotifyEvent(this, &TEventLog::AfterLoad);
  }
};

// What the application's handler saw.
class TExceptionLog : public TObject {
public:
  int Count = 0;
  bool InvalidGraphic = false;
  std::string Message;
  void Handle(TObject*, Exception* e)
  {
    ++Count;
    InvalidGraphic = dynamic_cast<EInvalidGraphic*>(e) != nullptr;
    Message = e->Message.c_str();
  }
};

struct FormDeleter {
  void operator()(TForm* form) const { delete form; }
};

class QelImage : public ::testing::Test {
protected:
  void SetUp() override
  {
    Form.reset(new TForm(Application, 0));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(60, 60, 320, 240);
    Form->SetColor(clWhite);
  }
  void TearDown() override
  {
    Application->OnException = TExceptionEvent();
    Form.reset();
    PumpMessages();
  }
  // An image on the form at (20, 20), 160 x 100, holding a blue picture of that size.
  TImageProbe* NewImage()
  {
    auto* image = new TImageProbe(Form.get());
    image->SetParent(Form.get());
    image->SetBounds(20, 20, 160, 100);
    FillPicture(image->GetPicture(), 160, 100, clBlue);
    return image;
  }
  std::unique_ptr<TForm, FormDeleter> Form;
  TTempFolder Folder;
};

// ---- the context menu --------------------------------------------------------------------------

TEST_F(QelImage, ProtectedImageGetsNoMenuAndNoAcquisition)
{
  TImageProbe* image = NewImage();
  image->Protected = true;
  image->Loaded();
  EXPECT_EQ(image->GetPopupMenu(), nullptr);
  EXPECT_EQ(image->Acquisition(), nullptr);
  EXPECT_EQ(image->GetComponentCount(), 0);
}

TEST_F(QelImage, ImageAtDesignTimeGetsNoMenu)
{
  TImageProbe* image = NewImage();
  image->SetDesigning(true);
  image->Loaded();
  EXPECT_EQ(image->GetPopupMenu(), nullptr);
  EXPECT_EQ(image->GetComponentCount(), 0);
  // Neither does it change a menu it was given.
  auto* menu = new TPopupMenu(Form.get());
  image->SetPopupMenu(menu);
  image->Loaded();
  EXPECT_EQ(menu->GetItems()->GetCount(), 0);
}

TEST_F(QelImage, ImageWithoutMenuGetsOneOfItsOwn)
{
  TImageProbe* image = NewImage();
  image->Loaded();
  auto* menu = dynamic_cast<TQelPopupMenu*>(image->GetPopupMenu());
  ASSERT_NE(menu, nullptr) << "a TQelPopupMenu";
  EXPECT_EQ(menu->Owner(), image);
  TMenuItem* items = menu->GetItems();
  const std::vector<AnsiString> expected{LoadCaption, DeleteCaption, "-", SourceCaption, AcquireCaption};
  ASSERT_EQ(items->GetCount(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(items->GetItem(i)->GetCaption(), expected[size_t(i)]) << i;
    EXPECT_EQ(items->GetItem(i)->Owner(), menu) << i;
    EXPECT_EQ(items->GetItem(i)->GetDefault(), i == 0) << i;
  }
  EXPECT_EQ(menu->GetDefaultMenuItem(), items->GetItem(0));
  // The commands are bound to the image (what they do is shown below, through the items).
  for (int i : {0, 1, 3, 4}) EXPECT_EQ(items->GetItem(i)->OnClick.GetMethod().Data, static_cast<TObject*>(image)) << i;
  EXPECT_FALSE(items->GetItem(2)->OnClick);
  // The acquisition object is the image's, and speaks for the application.
  ASSERT_NE(image->Acquisition(), nullptr);
  EXPECT_EQ(image->Acquisition()->Owner(), image);
  EXPECT_EQ(image->Acquisition()->GetAppIdentity()->GetProductName(), Application->GetTitle());
  // The platform's menu marks the same item as its default.
  HMENU handle = menu->GetHandle();
  EXPECT_EQ(GetMenuDefaultItem(handle, TRUE, 0), 0u);
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE;
  ASSERT_TRUE(GetMenuItemInfoW(handle, 0, TRUE, &info));
  EXPECT_TRUE(info.fState & MFS_DEFAULT);
  ASSERT_TRUE(GetMenuItemInfoW(handle, 1, TRUE, &info));
  EXPECT_FALSE(info.fState & MFS_DEFAULT);
  TQelTwain* acquisition = image->Acquisition();
  image->Loaded();
  EXPECT_EQ(image->Acquisition(), acquisition) << "a second Loaded keeps the one acquisition object";
}

TEST_F(QelImage, ImageWithATwoItemMenuPutsALineFirstAndItsCommandsLast)
{
  TImageProbe* image = NewImage();
  auto* menu = new TPopupMenu(Form.get());
  for (const char* caption : {"Copy", "Paste"}) {
    auto* item = new TMenuItem(Form.get());
    item->SetCaption(caption);
    menu->GetItems()->Add(item);
  }
  image->SetPopupMenu(menu);
  image->Loaded();
  EXPECT_EQ(image->GetPopupMenu(), menu);
  TMenuItem* items = menu->GetItems();
  ASSERT_EQ(items->GetCount(), 8);
  const std::vector<AnsiString> expected{"-", "Copy", "Paste", LoadCaption, DeleteCaption, "-", SourceCaption, AcquireCaption};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(items->GetItem(i)->GetCaption(), expected[size_t(i)]) << i;
  EXPECT_TRUE(items->GetItem(0)->IsLine());
  EXPECT_TRUE(items->GetItem(5)->IsLine());
  EXPECT_EQ(items->GetItem(0)->Owner(), menu);
  EXPECT_EQ(items->GetItem(3)->Owner(), menu);
  EXPECT_TRUE(items->GetItem(3)->GetDefault());
  EXPECT_EQ(GetMenuDefaultItem(menu->GetHandle(), TRUE, 0), 3u);
  EXPECT_EQ(GetMenuItemCount(menu->GetHandle()), 8);
}

TEST_F(QelImage, DestructorFreesTheAcquisitionObject)
{
  TImageProbe* image = NewImage();
  image->Loaded();
  ASSERT_NE(image->Acquisition(), nullptr);
  HWND window = image->Acquisition()->WindowHandle;
  ASSERT_TRUE(IsWindow(window));
  delete image;
  EXPECT_FALSE(IsWindow(window)) << "the component and its virtual window went with the image";
}

TEST_F(QelImage, RightClickShowsTheMenuWithLoadAsItsDefault)
{
  TImageProbe* image = NewImage();
  image->Loaded();
  Form->Show();
  FlushPainting(Form->GetHandle());
  TMenuWatcher watcher([](HWND menuWindow, TMenuSeen& seen) {
    seen.Shot = CaptureScreen(WindowRect(menuWindow));
    PressKey(VK_ESCAPE);
  });
  ASSERT_TRUE(RightClick(Form->GetHandle(), POINT{60, 60}));
  const TMenuSeen& seen = watcher.Result();
  ASSERT_TRUE(seen.Found) << seen.Problem;
  SavePng(seen.Shot, "qelimage_context_menu");
  ASSERT_EQ(seen.Captions.size(), 5u);
  EXPECT_EQ(seen.Captions[0], std::string(LoadCaption.c_str()));
  EXPECT_EQ(seen.Captions[1], std::string(DeleteCaption.c_str()));
  EXPECT_EQ(seen.Captions[3], std::string(SourceCaption.c_str()));
  EXPECT_EQ(seen.Captions[4], std::string(AcquireCaption.c_str()));
  EXPECT_EQ(seen.DefaultPosition, 0);
  // The menu shows text: dark pixels on its light face.
  EXPECT_TRUE(Painted(seen.Shot, GetSysColor(COLOR_MENU), 20));
  // Escape chose nothing: the picture is still there.
  EXPECT_EQ(image->GetPicture()->GetWidth(), 160);
  EXPECT_FALSE(IsWindowVisible(seen.Window));
}

// ---- loading through the dialog ----------------------------------------------------------------

TEST_F(QelImage, CancellingTheDialogChangesNothing)
{
  TImageProbe* image = NewImage();
  TEventLog log;
  log.Bind(image);
  TGraphic* before = image->GetPicture()->GetGraphic();
  const int componentsBefore = image->GetComponentCount();
  TDialogWatcher watcher([](HWND dialog, TDialogSeen& seen) {
    seen.Shot = CaptureScreen(WindowRect(dialog));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDCANCEL)));
  });
  image->LoadFromFile();
  const TDialogSeen& seen = watcher.Result();
  ASSERT_TRUE(seen.Found) << seen.Problem;
  SavePng(seen.Shot, "qelimage_open_dialog");
  EXPECT_TRUE(seen.HasPreview) << "the picture dialog's preview frame";
  EXPECT_TRUE(seen.PreviewPainted);
  // Owned by the application's window (no form is up), it comes up in the middle of the screen.
  EXPECT_TRUE(seen.OnScreen);
  EXPECT_EQ(image->GetPicture()->GetGraphic(), before);
  EXPECT_EQ(image->GetPicture()->GetWidth(), 160);
  EXPECT_TRUE(log.Events.empty());
  EXPECT_EQ(image->GetComponentCount(), componentsBefore) << "the dialog went with the cancel";
}

TEST_F(QelImage, AcceptedFileBecomesThePictureWithBothEvents)
{
  const std::string file = Folder.WriteBitmap("green.bmp", 40, 30, clLime);
  TImageProbe* image = NewImage();
  image->SetStretch(true);
  TEventLog log;
  log.Mark = clRed;
  log.Bind(image);
  Form->Show();
  FlushPainting(Form->GetHandle());
  TDialogWatcher watcher([file](HWND dialog, TDialogSeen& seen) {
    // Selecting the file in the list shows it in the preview.
    seen.Selected = SelectInList(dialog, file);
    seen.PreviewShowsPicture = WaitOnThread([&] {
      Pixels preview = CaptureScreen(WindowRect(PreviewWindow(dialog)));
      return preview.Count(RGB(0, 255, 0), 8) > 100;
    });
    seen.Shot = CaptureScreen(WindowRect(dialog));
    AcceptFile(dialog, file);
  });
  image->LoadFromFile();
  const TDialogSeen& seen = watcher.Result();
  ASSERT_TRUE(seen.Found) << seen.Problem;
  SavePng(seen.Shot, "qelimage_open_dialog_preview");
  EXPECT_TRUE(seen.Selected);
  EXPECT_TRUE(seen.PreviewShowsPicture);
  ASSERT_EQ(log.Events, (std::vector<std::string>{"OnLoadImage", "AfterLoadImage"}));
  EXPECT_EQ(log.WidthSeen, 40);
  EXPECT_EQ(image->GetPicture()->GetWidth(), 40);
  EXPECT_EQ(image->GetPicture()->GetHeight(), 30);
  // Qel loads dib.bpl, so the picture read is a TDib; the handler's change reached the image.
  auto* dib = dynamic_cast<TDib*>(image->GetPicture()->GetGraphic());
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib->GetPixel(0, 0) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(dib->GetPixel(5, 5) & 0xFFFFFF, 0x00FF00u);
  // And the image shows it, stretched over its 160 x 100.
  Pixels shown = CaptureClient(Form->GetHandle());
  SavePng(shown, "qelimage_loaded");
  EXPECT_GT(shown.Count(RGB(0, 255, 0), TRect(20, 20, 180, 120), 8), 150 * 90);
  EXPECT_EQ(shown.Count(RGB(0, 0, 255), 8), 0) << "no blue of the old picture left";
}

TEST_F(QelImage, FileTheLoaderRefusesKeepsTheOldPictureAndRaises)
{
  const std::string junk = Folder.WriteFile("junk.bmp", "BM this is no bitmap at all, only words, and more than a header's worth of them");
  TImageProbe* image = NewImage();
  TEventLog log;
  log.Bind(image);
  TGraphic* before = image->GetPicture()->GetGraphic();
  const int componentsBefore = image->GetComponentCount();
  TDialogWatcher watcher([junk](HWND dialog, TDialogSeen&) { AcceptFile(dialog, junk); });
  EXPECT_THROW(image->LoadFromFile(), EInvalidGraphic);
  ASSERT_TRUE(watcher.Result().Found) << watcher.Result().Problem;
  EXPECT_EQ(image->GetPicture()->GetGraphic(), before);
  EXPECT_EQ(image->GetPicture()->GetWidth(), 160);
  EXPECT_TRUE(log.Events.empty());
  EXPECT_EQ(image->GetComponentCount(), componentsBefore) << "the dialog went with the exception";
}

TEST_F(QelImage, UnknownExtensionRaisesToo)
{
  const std::string text = Folder.WriteFile("notes.txt", "plain text");
  TImageProbe* image = NewImage();
  TEventLog log;
  log.Bind(image);
  TDialogWatcher watcher([text](HWND dialog, TDialogSeen&) { AcceptFile(dialog, text); });
  EXPECT_THROW(image->LoadFromFile(), EInvalidGraphic);
  ASSERT_TRUE(watcher.Result().Found) << watcher.Result().Problem;
  EXPECT_EQ(image->GetPicture()->GetWidth(), 160);
  EXPECT_TRUE(log.Events.empty());
}

TEST_F(QelImage, MenuCommandLetsTheLoadersExceptionReachTheApplication)
{
  const std::string junk = Folder.WriteFile("broken.bmp", std::string(64, '\x42'));
  TImageProbe* image = NewImage();
  image->Loaded();
  TEventLog log;
  log.Bind(image);
  TExceptionLog errors;
  Application->OnException = TExceptionEvent(&errors, &TExceptionLog::Handle);
  Form->Show();
  FlushPainting(Form->GetHandle());
  // Down and Enter choose the first item (load); the dialog that follows gets the broken file.
  TMenuWatcher menu([](HWND, TMenuSeen&) {
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
  });
  TDialogWatcher dialog([junk](HWND window, TDialogSeen&) { AcceptFile(window, junk); }, 20000);
  ASSERT_TRUE(RightClick(Form->GetHandle(), POINT{60, 60}));
  ASSERT_TRUE(menu.Result().Found) << menu.Result().Problem;
  ASSERT_TRUE(dialog.Result().Found) << dialog.Result().Problem;
  ASSERT_TRUE(PumpUntil([&] { return errors.Count > 0; }, 5000));
  EXPECT_EQ(errors.Count, 1);
  EXPECT_TRUE(errors.InvalidGraphic) << errors.Message;
  EXPECT_EQ(image->GetPicture()->GetWidth(), 160);
  EXPECT_TRUE(log.Events.empty());
}

TEST_F(QelImage, DeleteEmptiesThePictureWithoutEvents)
{
  TImageProbe* image = NewImage();
  image->Loaded();
  TEventLog log;
  log.Bind(image);
  image->GetPopupMenu()->GetItems()->GetItem(1)->Click();
  EXPECT_EQ(image->GetPicture()->GetGraphic(), nullptr);
  EXPECT_TRUE(log.Events.empty());
}

// ---- canvas and size ---------------------------------------------------------------------------

TEST_F(QelImage, CanvasOfAnIconIsTheControls)
{
  TImageProbe* image = NewImage();
  auto icon = std::make_unique<TIcon>();
  icon->SetHandle(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
  image->GetPicture()->SetIcon(icon.get());
  ASSERT_NE(dynamic_cast<TIcon*>(image->GetPicture()->GetGraphic()), nullptr);
  EXPECT_EQ(image->GetCanvas(), static_cast<TGraphicControl*>(image)->GetCanvas());
  EXPECT_THROW(static_cast<TImage*>(image)->GetCanvas(), EInvalidOperation) << "where the base would fail";
}

TEST_F(QelImage, CanvasOfAnEmptyImageIsANewBitmaps)
{
  TImageProbe* image = NewImage();
  image->GetPicture()->Assign(nullptr);
  TCanvas* canvas = image->GetCanvas();
  auto* bitmap = dynamic_cast<TBitmap*>(image->GetPicture()->GetGraphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(canvas, bitmap->GetCanvas());
  EXPECT_NE(canvas, static_cast<TGraphicControl*>(image)->GetCanvas());
  EXPECT_EQ(bitmap->GetWidth(), 160);
  EXPECT_EQ(bitmap->GetHeight(), 100);
}

TEST_F(QelImage, CanvasOfABitmapIsTheBitmaps)
{
  TImageProbe* image = NewImage();
  TCanvas* canvas = image->GetCanvas();
  EXPECT_EQ(canvas, image->GetPicture()->GetBitmap()->GetCanvas());
}

TEST_F(QelImage, FitToBestSetsTheHeightThenTheWidth)
{
  TImageProbe* image = NewImage();
  FillPicture(image->GetPicture(), 200, 100, clBlue);
  image->Sizes.clear();
  image->FitToBest(50, 400);
  EXPECT_EQ(image->GetHeight(), 50);
  EXPECT_EQ(image->GetWidth(), 100);
  ASSERT_EQ(image->Sizes.size(), 2u);
  EXPECT_EQ(image->Sizes[0].cx, 160) << "the width waits for the height";
  EXPECT_EQ(image->Sizes[0].cy, 50);
  EXPECT_EQ(image->Sizes[1].cx, 100);
}

TEST_F(QelImage, FitToBestRoundsHalvesAwayFromZero)
{
  TImageProbe* image = NewImage();
  // Zoom 0.5: the width 2.5 becomes 3, the height 1.
  FillPicture(image->GetPicture(), 5, 2, clBlue);
  image->FitToBest(1, 100);
  EXPECT_EQ(image->GetHeight(), 1);
  EXPECT_EQ(image->GetWidth(), 3);
  // Zoom by the width: 300 / 120 = 2.5 against 10 by the height.
  FillPicture(image->GetPicture(), 120, 7, clBlue);
  image->FitToBest(70, 300);
  EXPECT_EQ(image->GetWidth(), 300);
  EXPECT_EQ(image->GetHeight(), 18);  // 17.5
}

TEST_F(QelImage, FitToBestOnAPictureWithoutSizeRaisesAndLeavesTheSize)
{
  TImageProbe* image = NewImage();
  image->GetPicture()->Assign(nullptr);
  image->Sizes.clear();
  EXPECT_THROW(image->FitToBest(50, 400), EZeroDivide);
  EXPECT_TRUE(image->Sizes.empty());
  EXPECT_EQ(image->GetWidth(), 160);
  EXPECT_EQ(image->GetHeight(), 100);
}

TEST(QelLabel, IsThePlatformsLabelFoundByName)
{
  EXPECT_EQ(GetClass("TQelLabel"), TQelLabel::StaticClass());
  EXPECT_EQ(GetClass("TQelImage"), TQelImage::StaticClass());
  TQelLabel label(nullptr);
  label.SetCaption("00:00");
  EXPECT_TRUE(label.GetAutoSize());
  EXPECT_EQ(label.GetCaption(), AnsiString("00:00"));
  EXPECT_FALSE(TQelImage(nullptr).Protected);
}

}  // namespace
