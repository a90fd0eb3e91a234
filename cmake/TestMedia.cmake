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

get_property(_media GLOBAL PROPERTY OSTREL_MEDIA_FILES)
add_custom_target(test_media ALL DEPENDS ${_media})
