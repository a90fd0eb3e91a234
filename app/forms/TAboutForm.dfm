object AboutForm: TAboutForm
  Left = 173
  Top = 119
  Width = 364
  Height = 323
  BiDiMode = bdRightToLeft
  Caption = 'אודות'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OnShow = FormShow
  ParentBiDiMode = False
  PixelsPerInch = 96
  Position = poDesktopCenter
  TextHeight = 13
  object AboutDShowPlayer: TQelVyrPlayer
    Left = 0
    Top = 0
    Width = 356
    Height = 289
    BevelOuter = bvNone
    Color = clBlack
    Loop = True
  end
end
