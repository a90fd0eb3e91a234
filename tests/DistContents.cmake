# What a user gets: the files of dist/, exactly. Run as a test:
#   cmake -DDIST=<dist folder> -DARCH=win32|win64 -P DistContents.cmake
# A build tool, a test program or a stray file in dist/ fails it, and so does a file that is missing.
set(_expected
  VyrPlayer.exe vyrpack.exe Mevlink.dll
  vcl.bpl Vidkit.bpl QelBase.bpl Xmlkit.bpl QelLocal.bpl dib.bpl twain.bpl Qel.bpl VyrPlayerPkg.bpl
  OstrelScan.ds
  libstdc++-6.dll libwinpthread-1.dll
  Demo.vyr About/About.vyr
  LOCALES/en/VyrPlayer.xml LOCALES/en/Qel.xml LOCALES/he/VyrPlayer.xml LOCALES/he/Qel.xml)
if(ARCH STREQUAL "win32")
  list(APPEND _expected libgcc_s_dw2-1.dll)
elseif(ARCH STREQUAL "win64")
  list(APPEND _expected libgcc_s_seh-1.dll)
else()
  message(FATAL_ERROR "ARCH must be win32 or win64, not '${ARCH}'")
endif()

file(GLOB_RECURSE _found LIST_DIRECTORIES false RELATIVE ${DIST} ${DIST}/*)
list(SORT _found)
list(SORT _expected)
set(_extra ${_found})
list(REMOVE_ITEM _extra ${_expected})
set(_missing ${_expected})
list(REMOVE_ITEM _missing ${_found})
if(_extra OR _missing)
  message(FATAL_ERROR "dist/ is not what a user gets.\n  not on the list: ${_extra}\n  missing: ${_missing}")
endif()
list(LENGTH _found _count)
message(STATUS "dist/ holds exactly the ${_count} files a user gets")
