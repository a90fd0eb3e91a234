// Probe controls for the controls and forms tests: they publish what stored forms set, count their
// paints and record the device-context geometry they were painted with.
#pragma once

#include <string>
#include <vector>

#include "ActnList.h"
#include "Buttons.h"
#include "Controls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"

// A windowed container that paints its own colour.
class TProbePanel : public TCustomControl {
  VCL_DECLARE_CLASS(TProbePanel, TCustomControl)
  explicit TProbePanel(TOwnerArg owner);
  int Paints = 0;

protected:
  void Paint() override;
};

// A graphic control that fills itself with its colour and notes how its parent handed over the DC.
class TProbeGraphic : public TGraphicControl {
  VCL_DECLARE_CLASS(TProbeGraphic, TGraphicControl)
  explicit TProbeGraphic(TOwnerArg owner);
  int Paints = 0;
  RECT ClipBox{};       // logical coordinates
  POINT WindowOrigin{};  // of the DC while painting
  RECT ClipRegionBox{};  // the DC's clip region, device coordinates
  std::vector<UINT> Messages;
  std::vector<std::string> Events;

protected:
  void Paint() override;
  void WndProc(TMessage& message) override;
};

// A form whose stored form (RCDATA "TPROBEFORM") holds a panel, a graphic child, an action list with an
// action, and a popup menu; its constructor body and OnCreate note the order of things.
class TProbeForm : public TForm {
  VCL_DECLARE_FORM(TProbeForm, TForm)
  explicit TProbeForm(TOwnerArg owner);
  ~TProbeForm() override;

  TProbePanel* Panel;
  TProbeGraphic* Box;
  TProbeGraphic* Corner;
  TActionList* Actions;
  TAction* GoAction;
  TPopupMenu* Menu;
  TMenuItem* GoItem;

  std::vector<std::string> Log;
  bool BodySawPanel = false;
  int GoCount = 0;

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void GoExecute(TObject* sender);
  void BoxClick(TObject* sender);
  void FormKeyDown(TObject* sender, WORD& key, TShiftState shift);
  void PanelKeyDown(TObject* sender, WORD& key, TShiftState shift);
  static bool ThrowInCreate;
};

// A form without a stored form that can end its own modal loop as soon as it shows.
class TModalProbe : public TForm {
  VCL_DECLARE_CLASS(TModalProbe, TForm)
  explicit TModalProbe(TOwnerArg owner) : TForm(owner, 0) {}
  TModalResult ResultOnShow = mrNone;
  int Shows = 0;

protected:
  void DoShow() override;
};

// Resizes itself in OnShow (and may raise there); placed in the screen's centre by its Position.
class TCentredProbe : public TForm {
  VCL_DECLARE_CLASS(TCentredProbe, TForm)
  explicit TCentredProbe(TOwnerArg owner) : TForm(owner, 0) {}
  bool RaiseInShow = false;

protected:
  void DoShow() override;
};

// Collects what the application reports.
class TExceptionSink : public TObject {
public:
  std::vector<std::string> Messages;
  std::vector<TObject*> Senders;
  void Handle(TObject* sender, Exception* e);
};

// Records the construction order: its constructor body runs, then AfterConstruction.
class TOrderProbe : public TComponent {
  VCL_DECLARE_CLASS(TOrderProbe, TComponent)
  explicit TOrderProbe(TOwnerArg owner);
  void AfterConstruction() override;
  bool BodyDone = false;
  bool SawBodyDone = false;
  int AfterCount = 0;
  TMetaClass* SeenClass = nullptr;
};

// Raises from its constructor body: AfterConstruction must not run.
class TThrowingProbe : public TOrderProbe {
  VCL_DECLARE_CLASS(TThrowingProbe, TOrderProbe)
  explicit TThrowingProbe(TOwnerArg owner);
  static int AfterCalls;
  void AfterConstruction() override;
};

class TDerivedOrderProbe : public TOrderProbe {
  VCL_DECLARE_CLASS(TDerivedOrderProbe, TOrderProbe)
  explicit TDerivedOrderProbe(TOwnerArg owner);
  bool DerivedBodyDone = false;
  bool SawDerivedBody = false;
  void AfterConstruction() override;
};

// The stored test form: a panel with a label, a picture with a transparent label over it, three speed
// buttons of one group, an edit, a default button and one that raises, an action list and a popup
// menu. Dragging its background moves it.
class TTestForm : public TForm {
  VCL_DECLARE_FORM(TTestForm, TForm)
  explicit TTestForm(TOwnerArg owner) : TForm(owner) {}

  TPanel* TopPanel;
  TLabel* TitleLabel;
  TImage* Picture;
  TLabel* OverLabel;
  TSpeedButton* PlayButton;
  TSpeedButton* PauseButton;
  TSpeedButton* StopButton;
  TEdit* NameEdit;
  TButton* OkButton;
  TButton* FailButton;
  TLabel* StatusLabel;
  TActionList* Actions;
  TAction* GoAction;
  TPopupMenu* FormMenu;
  TMenuItem* GoItem;
  TMenuItem* AboutItem;

  std::vector<std::string> Log;
  int DragX = 0, DragY = 0;

  void FormCreate(TObject* sender);
  void FormKeyDown(TObject* sender, WORD& key, TShiftState shift);
  void BackgroundMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void BackgroundMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void ButtonClick(TObject* sender);
  void OkClick(TObject* sender);
  void FailClick(TObject* sender);
  void GoExecute(TObject* sender);
  void AboutClick(TObject* sender);
};

// A skeleton of the player's main window: a skin under graphic controls, a black panel, two
// transparent labels and speed buttons, all placed by their anchors.
class TSkeletonForm : public TForm {
  VCL_DECLARE_FORM(TSkeletonForm, TForm)
  // Sizes itself to the client size asked for in its constructor, before it has a window.
  TSkeletonForm(TOwnerArg owner, int clientWidth, int clientHeight);

  TImage* Skin;
  TPanel* Video;
  TLabel* PositionLabel;
  TLabel* LengthLabel;
  TSpeedButton* PlayButton;
  TSpeedButton* CloseButton;
};

void RegisterControlsTestClasses();
