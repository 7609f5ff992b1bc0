# The clip export: stream copies read back packet by packet with libavformat,
# the first shown picture decoded, the GPS beside the clips, the manifest and
# its check. The test videos carry their frame number in their picture:
# twelve bars, bar b white when bit b of the number is set.
set(VIALUMO_NUMBERED_CLIPS)
function(vialumo_make_numbered_clip name first size seconds created video_options audio_codec)
  add_custom_command(OUTPUT ${VIALUMO_TESTDATA_DIR}/${name}
    COMMAND ${FFMPEG_EXECUTABLE} -hide_banner -loglevel error -y
            -f lavfi -i "nullsrc=size=${size}:rate=25,geq=lum='255*mod(floor((N+${first})/pow(2,floor(X*12/W))),2)':cb=128:cr=128"
            -f lavfi -i sine=frequency=440 -t ${seconds}
            -c:v libx264 ${video_options} -pix_fmt yuv420p -c:a ${audio_codec}
            -metadata creation_time=${created}
            ${VIALUMO_TESTDATA_DIR}/${name}
    VERBATIM)
  set(VIALUMO_NUMBERED_CLIPS ${VIALUMO_NUMBERED_CLIPS} ${VIALUMO_TESTDATA_DIR}/${name} PARENT_SCOPE)
endfunction()
# Three recordings of one drive, six seconds each, with B-frames and a key
# frame a second; the third in another picture size.
set(VIALUMO_CLIP_CODING -preset veryfast -g 25 -bf 2)
vialumo_make_numbered_clip(numbered_a.mp4 0 320x64 6 2026-12-09T14:03:00Z "${VIALUMO_CLIP_CODING}" aac)
vialumo_make_numbered_clip(numbered_b.mp4 150 320x64 6 2026-12-09T14:03:06Z "${VIALUMO_CLIP_CODING}" aac)
vialumo_make_numbered_clip(numbered_c.mp4 300 352x64 6 2026-12-09T14:03:12Z "${VIALUMO_CLIP_CODING}" aac)
# Sound an MP4 cannot hold: the clip is a QuickTime file.
vialumo_make_numbered_clip(numbered_pcm.mov 0 320x64 3 2026-12-09T15:00:00Z "-preset;ultrafast;-g;25" pcm_s16le)
add_custom_target(vialumo_numbered_clips DEPENDS ${VIALUMO_NUMBERED_CLIPS})

vialumo_add_qtest(NAME tst_uclipexport
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_uclipexport.cpp
  LIBS vialumo_export PkgConfig::LIBAV Qt6::Gui)
add_dependencies(tst_uclipexport vialumo_numbered_clips)
