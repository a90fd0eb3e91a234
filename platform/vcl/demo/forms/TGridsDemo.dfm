object GridsDemo: TGridsDemo
  Left = 100
  Top = 80
  BorderIcons = [biSystemMenu, biMinimize, biMaximize]
  Caption = 'Ostrel — טבלאות'
  ClientWidth = 760
  ClientHeight = 470
  Font.Charset = HEBREW_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  BiDiMode = bdRightToLeft
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object Bar: TControlBar
    Left = 0
    Top = 0
    Width = 760
    Height = 34
    Align = alTop
    object NavigateBand: TPanel
      Left = 590
      Top = 2
      Width = 146
      Height = 24
      BevelOuter = bvNone
      object PreviousButton: TButton
        Left = 76
        Top = 0
        Width = 68
        Height = 24
        Caption = 'הקודם'
        OnClick = NavigateClick
      end
      object NextButton: TButton
        Left = 2
        Top = 0
        Width = 68
        Height = 24
        Caption = 'הבא'
        OnClick = NavigateClick
      end
    end
    object ViewBand: TComboBox
      Left = 420
      Top = 3
      Width = 140
      Height = 21
      Items.Strings = (
        'רשימה'
        'אמנים'
        'אלבומים')
      Text = 'רשימה'
    end
    object JumpBand: TMaskEdit
      Left = 300
      Top = 3
      Width = 90
      Height = 21
      EditMask = '!90:00;1;_'
      Text = ' 1:30'
    end
  end
  object Details: TPanel
    Left = 530
    Top = 34
    Width = 230
    Height = 436
    Align = alRight
    BevelOuter = bvNone
    object PhoneLabel: TLabel
      Left = 150
      Top = 16
      Width = 70
      Height = 13
      Alignment = taRightJustify
      AutoSize = False
      Caption = 'טלפון'
    end
    object PhoneEdit: TMaskEdit
      Left = 12
      Top = 12
      Width = 130
      Height = 21
      EditMask = '!\(999\)000-0000;1;_'
      Text = '(972)555-0123'
    end
    object DateLabel: TLabel
      Left = 150
      Top = 48
      Width = 70
      Height = 13
      Alignment = taRightJustify
      AutoSize = False
      Caption = 'תאריך'
    end
    object DateEdit: TMaskEdit
      Left = 12
      Top = 44
      Width = 130
      Height = 21
      EditMask = '!99/99/0000;1;_'
      Text = '09/12/2026'
    end
    object LengthLabel: TLabel
      Left = 150
      Top = 80
      Width = 70
      Height = 13
      Alignment = taRightJustify
      AutoSize = False
      Caption = 'משך'
    end
    object LengthEdit: TMaskEdit
      Left = 12
      Top = 76
      Width = 130
      Height = 21
      EditMask = '!90:00;1;_'
      Text = ' 4:12'
    end
    object CodeLabel: TLabel
      Left = 150
      Top = 112
      Width = 70
      Height = 13
      Alignment = taRightJustify
      AutoSize = False
      Caption = 'מיקוד'
    end
    object CodeEdit: TMaskEdit
      Left = 12
      Top = 108
      Width = 130
      Height = 21
      EditMask = '0000000;0;_'
      Text = '9100001'
    end
    object StatusLabel: TLabel
      Left = 12
      Top = 150
      Width = 208
      Height = 13
      Alignment = taRightJustify
      AutoSize = False
      Caption = 'נבחר:'
    end
    object RightToLeft: TCheckBox
      Left = 90
      Top = 180
      Width = 130
      Height = 17
      Caption = 'מימין לשמאל'
      Checked = True
      State = cbChecked
      OnClick = RightToLeftClick
    end
  end
  object SideSplitter: TSplitter
    Left = 525
    Top = 34
    Width = 5
    Height = 436
    Align = alRight
    Beveled = True
  end
  object Content: TPanel
    Left = 0
    Top = 34
    Width = 525
    Height = 436
    Align = alClient
    BevelOuter = bvNone
    object Tracks: TStringGrid
      Left = 0
      Top = 0
      Width = 525
      Height = 270
      Align = alClient
      ColCount = 4
      DefaultRowHeight = 18
      Options = [goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing, goRowSelect]
      OnSelectCell = TracksSelectCell
      ColWidths = (
        28
        170
        160
        60)
    end
    object ChartSplitter: TSplitter
      Left = 0
      Top = 270
      Width = 525
      Height = 5
      Cursor = crVSplit
      Align = alBottom
      Beveled = True
    end
    object Levels: TDrawGrid
      Left = 0
      Top = 275
      Width = 525
      Height = 161
      Align = alBottom
      ColCount = 9
      DefaultColWidth = 54
      DefaultRowHeight = 24
      RowCount = 6
      Options = [goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected]
      ScrollBars = ssNone
      OnDrawCell = LevelsDrawCell
    end
  end
end
