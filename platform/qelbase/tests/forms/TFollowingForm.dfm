object FollowingForm: TFollowingForm
  Left = 100
  Top = 100
  Width = 200
  Height = 100
  BiDiMode = bdLeftToRight
  Caption = 'Following'
  ParentBiDiMode = False
end
