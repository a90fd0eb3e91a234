// The player's own texts: module 200 of the translation files, each with its English default.
#pragma once

#include "Localemgr.h"

namespace VyrTexts {

struct TText {
  int Id;
  const char* Default;
};

inline constexpr int Module = 200;

inline constexpr TText Play{1, "Play"};
inline constexpr TText Pause{2, "Pause"};
inline constexpr TText FullScreen{3, "Full Screen"};
inline constexpr TText ExitFullScreen{4, "Exit Full Screen"};
inline constexpr TText Sound{5, "Sound"};
inline constexpr TText Mute{6, "Mute"};
inline constexpr TText ViewSize{7, "View Size"};
inline constexpr TText Maximum{8, "Maximum"};
inline constexpr TText Original{9, "Original"};
inline constexpr TText Title{10, "Ostrel Media Player"};
// A file the player was given and cannot play; %s stands for the file's name.
inline constexpr TText FileNotFound{11, "The file %s could not be found."};
inline constexpr TText NotMediaFile{12, "%s is not a media file this player can play."};

inline AnsiString Text(const TText& text) { return LocaleStr(Module, text.Id, text.Default); }

// The text with its first %s replaced by name (a translation without one is shown as it stands).
inline AnsiString Text(const TText& text, const AnsiString& name)
{
  const AnsiString pattern = Text(text);
  const int at = pattern.Pos("%s");
  if (at == 0) return pattern;
  return pattern.SubString(1, at - 1) + name + pattern.SubString(at + 2, pattern.Length());
}

}  // namespace VyrTexts
