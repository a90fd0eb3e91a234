# Test media made at build time by the host's ffmpeg from synthetic sources: nothing is downloaded.
find_program(FFMPEG ffmpeg REQUIRED)
set(OSTREL_MEDIA_DIR ${CMAKE_BINARY_DIR}/media)
file(MAKE_DIRECTORY ${OSTREL_MEDIA_DIR})

set(_video -f lavfi -i "testsrc=size=352x288:rate=25")
set(_audio -f lavfi -i "sine=frequency=440:sample_rate=44100")
set(_vcodec -c:v mpeg1video -b:v 1150k -g 12)
set(_acodec -c:a mp2 -b:a 192k -ar 44100)
set(_ff ${FFMPEG} -hide_banner -loglevel error -nostdin -y)

# ostrel_media(NAME SECONDS ...ffmpeg input/codec args): an MPEG-1 system stream NAME.mpg.
function(ostrel_media name seconds)
  set(out ${OSTREL_MEDIA_DIR}/${name}.mpg)
  add_custom_command(OUTPUT ${out}
    COMMAND ${_ff} ${ARGN} -t ${seconds} -f mpeg ${out}
    COMMENT "Making test media ${name}.mpg" VERBATIM)
  set_property(GLOBAL APPEND PROPERTY OSTREL_MEDIA_FILES ${out})
endfunction()

ostrel_media(av10    10 ${_video} ${_audio} ${_vcodec} ${_acodec})
ostrel_media(video10 10 ${_video} ${_vcodec} -an)
ostrel_media(audio10 10 ${_audio} ${_acodec} -vn)
ostrel_media(av64    64 ${_video} ${_audio} ${_vcodec} ${_acodec})
# A 16:9 picture, for the proportions kept in every view.
ostrel_media(wide10  10 -f lavfi -i "testsrc=size=640x360:rate=25" ${_audio} ${_vcodec} ${_acodec})

get_property(_media GLOBAL PROPERTY OSTREL_MEDIA_FILES)
add_custom_target(test_media ALL DEPENDS ${_media})

# .vyr layouts of the test media, packed by our own vyrpack (a Windows program, so it runs under Wine).
# One command for all of them: Wine processes started side by side would race to create the prefix.

set(_vyr_layouts
  "av10-single|av10|--segments 1"
  "av10-shuffled|av10|--segment-size 4093 --shuffle --seed 10"
  "av10-gaps|av10|--segments 16 --gap 1000"
  "video10-single|video10|--segments 1"
  "audio10-single|audio10|--segments 1"
  "wide10-single|wide10|--segments 1")
set(_vyr_outputs)
set(_vyr_commands)
set(_vyr_inputs)
foreach(_layout ${_vyr_layouts})
  string(REPLACE "|" ";" _layout "${_layout}")
  list(GET _layout 0 _name)
  list(GET _layout 1 _source)
  list(GET _layout 2 _options)
  separate_arguments(_options UNIX_COMMAND "${_options}")
  ostrel_windows_path(_in ${OSTREL_MEDIA_DIR}/${_source}.mpg)
  ostrel_windows_path(_out ${OSTREL_MEDIA_DIR}/${_name}.vyr)
  list(APPEND _vyr_outputs ${OSTREL_MEDIA_DIR}/${_name}.vyr)
  list(APPEND _vyr_inputs ${OSTREL_MEDIA_DIR}/${_source}.mpg)
  list(APPEND _vyr_commands COMMAND ${OSTREL_WINE_RUN} ${OSTREL_DIST}/vyrpack.exe pack ${_options} ${_in} ${_out})
endforeach()
list(REMOVE_DUPLICATES _vyr_inputs)
add_custom_command(OUTPUT ${_vyr_outputs} ${_vyr_commands}
  DEPENDS vyrpack runtime_dlls ${_vyr_inputs}
  COMMENT "Packing the test media into .vyr layouts" VERBATIM)
add_custom_target(test_media_vyr ALL DEPENDS ${_vyr_outputs})
