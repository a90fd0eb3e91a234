object ProbeForm: TProbeForm
  Left = 10
  Top = 10
  BorderStyle = bsNone
  ClientWidth = 447
  ClientHeight = 460
  Color = clBlack
  OnCreate = FormCreate
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 13
  object Panel: TProbePanel
    Left = 20
    Top = 20
    Width = 200
    Height = 150
    Color = clNavy
    PopupMenu = Menu
    TabStop = True
    OnKeyDown = PanelKeyDown
    object Corner: TProbeGraphic
      Left = 170
      Top = 120
      Width = 20
      Height = 20
      Anchors = [akRight, akBottom]
      Color = clYellow
    end
  end
  object Box: TProbeGraphic
    Left = 300
    Top = 400
    Width = 40
    Height = 30
    Anchors = [akRight, akBottom]
    Color = clRed
    Action = GoAction
  end
  object Actions: TActionList
    Left = 8
    Top = 8
    object GoAction: TAction
      Caption = 'Go'
      OnExecute = GoExecute
    end
  end
  object Menu: TPopupMenu
    Left = 40
    Top = 8
    object GoItem: TMenuItem
      Action = GoAction
    end
  end
end
