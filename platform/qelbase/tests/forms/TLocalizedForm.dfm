object LocalizedForm: TLocalizedForm
  Left = 100
  Top = 100
  Width = 300
  Height = 200
  BiDiMode = bdRightToLeft
  Caption = 'Original caption'
  ParentBiDiMode = False
  RunTimeParentBiDiMode = False
  object PlayButton: TButton
    Left = 8
    Top = 8
    Width = 120
    Height = 25
    Caption = 'Play'
    Hint = 'Start playing'
  end
  object TitleLabel: TLabel
    Left = 8
    Top = 40
    Width = 100
    Height = 13
    Caption = 'Title'
  end
  object InfoPanel: TPanel
    Left = 8
    Top = 60
    Width = 200
    Height = 40
    Caption = 'Info'
  end
end
