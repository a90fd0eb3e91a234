object ControlsDemo: TControlsDemo
  Left = 80
  Top = 60
  BorderStyle = bsSingle
  BorderIcons = [biSystemMenu, biMinimize]
  Caption = 'Ostrel — הפקדים'
  ClientWidth = 720
  ClientHeight = 430
  Font.Charset = HEBREW_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  BiDiMode = bdRightToLeft
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object Icons: TImageList
  end
  object Colors: TColorDialog
    Color = clTeal
    Options = [cdFullOpen]
  end
  object Library: TTreeView
    Left = 540
    Top = 0
    Width = 180
    Height = 430
    Align = alRight
    HideSelection = False
    Images = Icons
    Indent = 19
    TabOrder = 1
    OnChange = LibraryChange
  end
  object Content: TPanel
    Left = 0
    Top = 0
    Width = 540
    Height = 430
    Align = alClient
    BevelOuter = bvNone
    TabOrder = 0
    object Columns: THeaderControl
      Left = 0
      Top = 0
      Width = 540
      Height = 20
      Images = Icons
      Sections = <
        item
          ImageIndex = 0
          Text = 'שם'
          Width = 260
        end
        item
          Text = 'אמן'
          Width = 180
        end
        item
          Text = 'משך'
          Width = 100
        end>
    end
    object Tracks: TListBox
      Left = 0
      Top = 20
      Width = 540
      Height = 110
      Align = alTop
      ItemHeight = 15
      Items.Strings = (
        'שיר השירים'#9'להקת הנחל'#9'3:41'
        'Yesterday'#9'The Beatles'#9'2:05'
        'ירושלים של זהב'#9'נעמי שמר'#9'4:12'
        'Clair de lune'#9'Debussy'#9'5:02'
        'הפרח בגני'#9'צביקה פיק'#9'3:58'
        'So What'#9'Miles Davis'#9'9:22'
        'אני ואתה'#9'אריק איינשטיין'#9'2:49')
      Style = lbOwnerDrawFixed
      TabOrder = 0
      OnDrawItem = TracksDrawItem
    end
    object Pages: TPageControl
      Left = 8
      Top = 140
      Width = 524
      Height = 172
      ActivePage = PlaySheet
      Images = Icons
      TabOrder = 1
      object PlaySheet: TTabSheet
        Caption = 'ניגון'
        ImageIndex = 0
        object VolumeLabel: TLabel
          Left = 420
          Top = 14
          Width = 80
          Height = 13
          Caption = 'עוצמה: 70'
        end
        object Volume: TTrackBar
          Left = 180
          Top = 8
          Width = 230
          Height = 30
          Frequency = 10
          Max = 100
          Position = 70
          TabOrder = 0
          OnChange = VolumeChange
        end
        object RepeatLabel: TLabel
          Left = 420
          Top = 52
          Width = 80
          Height = 13
          Caption = 'חזרות'
        end
        object RepeatEdit: TEdit
          Left = 350
          Top = 48
          Width = 44
          Height = 21
          TabOrder = 1
          Text = '1'
        end
        object RepeatSpin: TUpDown
          Left = 394
          Top = 48
          Width = 16
          Height = 21
          Associate = RepeatEdit
          Min = 1
          Max = 9
          Position = 1
          TabOrder = 2
        end
        object BalanceLabel: TLabel
          Left = 420
          Top = 86
          Width = 80
          Height = 13
          Caption = 'איזון'
        end
        object Balance: TScrollBar
          Left = 180
          Top = 84
          Width = 230
          Height = 17
          LargeChange = 10
          Max = 50
          Min = -50
          PageSize = 0
          Position = -10
          TabOrder = 3
        end
        object InOrder: TRadioButton
          Left = 380
          Top = 116
          Width = 120
          Height = 17
          Caption = 'לפי הסדר'
          Checked = True
          TabOrder = 4
          TabStop = True
        end
        object Shuffle: TRadioButton
          Left = 250
          Top = 116
          Width = 120
          Height = 17
          Caption = 'ערבוב'
          TabOrder = 5
        end
      end
      object NotesSheet: TTabSheet
        Caption = 'הערות'
        ImageIndex = 1
        object Notes: TMemo
          Left = 0
          Top = 0
          Width = 516
          Height = 144
          Align = alClient
          Lines.Strings = (
            'הקלטה חיה מהופעה בתל אביב, 1971.'
            'Remastered in 2004 from the original tapes.'
            'מילים ולחן: נעמי שמר')
          ScrollBars = ssVertical
          TabOrder = 0
        end
      end
      object DetailsSheet: TTabSheet
        Caption = 'פרטים'
        ImageIndex = 2
        object Details: TScrollBox
          Left = 0
          Top = 0
          Width = 516
          Height = 144
          Align = alClient
          BorderStyle = bsNone
          TabOrder = 0
      object DetailLabel1: TLabel
        Left = 400
        Top = 12
        Width = 60
        Height = 13
        Caption = 'שם'
      end
      object DetailEdit1: TEdit
        Left = 200
        Top = 8
        Width = 190
        Height = 21
        TabOrder = 0
      end
      object DetailLabel2: TLabel
        Left = 400
        Top = 40
        Width = 60
        Height = 13
        Caption = 'אמן'
      end
      object DetailEdit2: TEdit
        Left = 200
        Top = 36
        Width = 190
        Height = 21
        TabOrder = 1
      end
      object DetailLabel3: TLabel
        Left = 400
        Top = 68
        Width = 60
        Height = 13
        Caption = 'אלבום'
      end
      object DetailEdit3: TEdit
        Left = 200
        Top = 64
        Width = 190
        Height = 21
        TabOrder = 2
      end
      object DetailLabel4: TLabel
        Left = 400
        Top = 96
        Width = 60
        Height = 13
        Caption = 'שנה'
      end
      object DetailEdit4: TEdit
        Left = 200
        Top = 92
        Width = 190
        Height = 21
        TabOrder = 3
      end
      object DetailLabel5: TLabel
        Left = 400
        Top = 124
        Width = 60
        Height = 13
        Caption = 'סוגה'
      end
      object DetailEdit5: TEdit
        Left = 200
        Top = 120
        Width = 190
        Height = 21
        TabOrder = 4
      end
      object DetailLabel6: TLabel
        Left = 400
        Top = 152
        Width = 60
        Height = 13
        Caption = 'אורך'
      end
      object DetailEdit6: TEdit
        Left = 200
        Top = 148
        Width = 190
        Height = 21
        TabOrder = 5
      end
      object DetailLabel7: TLabel
        Left = 400
        Top = 180
        Width = 60
        Height = 13
        Caption = 'מסלול'
      end
      object DetailEdit7: TEdit
        Left = 200
        Top = 176
        Width = 190
        Height = 21
        TabOrder = 6
      end
      object DetailLabel8: TLabel
        Left = 400
        Top = 208
        Width = 60
        Height = 13
        Caption = 'הערה'
      end
      object DetailEdit8: TEdit
        Left = 200
        Top = 204
        Width = 190
        Height = 21
        TabOrder = 7
      end
        end
      end
    end
    object ViewSize: TRadioGroup
      Left = 272
      Top = 318
      Width = 260
      Height = 56
      Caption = 'גודל תצוגה'
      Columns = 3
      ItemIndex = 1
      Items.Strings = (
        'קטן'
        'בינוני'
        'גדול')
      TabOrder = 2
    end
    object ThemeLabel: TLabel
      Left = 196
      Top = 326
      Width = 60
      Height = 13
      Caption = 'ערכת נושא'
    end
    object Theme: TComboBox
      Left = 8
      Top = 344
      Width = 250
      Height = 21
      Style = csDropDownList
      ItemHeight = 13
      TabOrder = 3
      Items.Strings = (
        'כחול לילה'
        'כהה'
        'קלאסי')
    end
    object RightToLeft: TCheckBox
      Left = 400
      Top = 396
      Width = 132
      Height = 17
      Caption = 'מימין לשמאל'
      Checked = True
      State = cbChecked
      TabOrder = 4
      OnClick = RightToLeftClick
    end
    object ColorButton: TButton
      Left = 296
      Top = 392
      Width = 90
      Height = 25
      Caption = 'צבע…'
      TabOrder = 5
      OnClick = ColorClick
    end
    object Swatch: TPanel
      Left = 236
      Top = 392
      Width = 50
      Height = 25
      BevelOuter = bvLowered
      Color = clTeal
      ParentColor = False
      TabOrder = 6
    end
    object CloseButton: TButton
      Left = 8
      Top = 392
      Width = 90
      Height = 25
      Cancel = True
      Caption = 'סגירה'
      TabOrder = 7
      OnClick = CloseClick
    end
  end
end
