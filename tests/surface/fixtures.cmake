# TGA files written by ImageMagick, each with the pixels ImageMagick itself
# reads back from it (8-bit RGBA, top line first), so that the loader is
# checked against an independent reader rather than against our own idea of
# the format.
#
# ImageMagick keeps a TGA's rows in stored order and only records the row
# order its header declares (reported as BottomLeft or TopLeft); -auto-orient
# applies it, which gives the image as the header says it is to be shown.
#
# Included from the tests' CMakeLists, this file declares the target
# vxr_tga_fixtures and hands the fixture directory to vxr_surface_tests. Run
# with `cmake -DCONVERT=... -DOUT=... -P fixtures.cmake`, it writes the files.

# name | convert options | source | expected image type | pixel depth | map bits
set(VXR_TGA_FIXTURES
  "index8_map24|-type,Palette|plain|1|8|24"
  "index8_map16|-type,Palette,-depth,5|plain|1|8|16"
  "rgb16|-type,TrueColor,-depth,5|plain|2|16|0"
  "argb16|-type,TrueColorAlpha,-depth,5|alpha|2|16|0"
  "rgb24|-type,TrueColor|plain|2|24|0"
  "argb32|-type,TrueColorAlpha|alpha|2|32|0"
  "rle_index8|-type,Palette,-compress,RLE|plain|9|8|24"
  "rle_rgb24|-type,TrueColor,-compress,RLE|plain|10|24|0")
# ImageMagick only writes 24- and 16-bit colour maps; the 32-bit map files
# are made from the 24-bit ones below and then read back by ImageMagick.
set(VXR_TGA_DERIVED_FIXTURES index8_map32)
set(VXR_TGA_ROW_ORDERS bottom_up top_down)

if(CMAKE_SCRIPT_MODE_FILE)
  # ---- generation, at build time -------------------------------------------
  if(NOT CONVERT OR NOT OUT)
    message(FATAL_ERROR "fixtures.cmake needs -DCONVERT=<convert> -DOUT=<directory>")
  endif()
  file(MAKE_DIRECTORY "${OUT}")
  # One thread keeps ImageMagick's colour reduction, and so the files,
  # identical from build to build.
  set(magick "${CONVERT}" -limit thread 1)

  function(vxr_run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
      string(REPLACE ";" " " shown "${ARGN}")
      message(FATAL_ERROR "TGA fixtures: `${shown}` failed (${status}): ${errors}")
    endif()
  endfunction()

  # The file's bytes as a list of numbers; further arguments go to file(READ),
  # such as LIMIT 18 for the header alone.
  function(vxr_file_bytes file out)
    file(READ "${file}" hex ${ARGN} HEX)
    string(REGEX MATCHALL ".." pairs "${hex}")
    set(bytes)
    foreach(pair IN LISTS pairs)
      math(EXPR byte "0x${pair}")
      list(APPEND bytes ${byte})
    endforeach()
    set(${out} ${bytes} PARENT_SCOPE)
  endfunction()

  # Fails the build when ImageMagick wrote something else than the test
  # expects, so a different ImageMagick cannot silently shrink the coverage.
  function(vxr_check_tga file type depth mapBits order)
    vxr_file_bytes("${file}" h LIMIT 18)
    list(LENGTH h count)
    if(NOT count EQUAL 18)
      message(FATAL_ERROR "TGA fixtures: ${file} has no complete header")
    endif()
    list(GET h 2 gotType)
    list(GET h 7 gotMapBits)
    list(GET h 16 gotDepth)
    list(GET h 17 descriptor)
    math(EXPR topDown "(${descriptor} >> 5) & 1")
    set(wantTopDown 0)
    if(order STREQUAL "top_down")
      set(wantTopDown 1)
    endif()
    if(NOT gotType EQUAL type OR NOT gotDepth EQUAL depth OR NOT topDown EQUAL wantTopDown
       OR (mapBits GREATER 0 AND NOT gotMapBits EQUAL mapBits))
      message(FATAL_ERROR "TGA fixtures: ${file} is type ${gotType}, depth ${gotDepth}, "
        "map ${gotMapBits} bits, descriptor ${descriptor}; wanted type ${type}, "
        "depth ${depth}, map ${mapBits} bits, ${order}")
    endif()
  endfunction()

  # Odd width and height, every channel swept by gradients and roughened by
  # seeded noise, so that swapped channels, rows or columns all show.
  set(plain "${OUT}/source.png")
  set(alpha "${OUT}/source_alpha.png")
  vxr_run(${magick} -seed 7 -size 37x23 xc:
    -sparse-color bilinear "0,0 red 36,0 lime 0,22 blue 36,22 yellow"
    +noise Gaussian "${plain}")
  # Alpha falls from the top line to the bottom one and varies along each
  # line, so an upside-down load shows in the alpha channel too.
  vxr_run(${magick} "${plain}"
    "(" -size 37x23 gradient:white-black
        "(" -size 23x37 gradient:gray60-white -rotate 90 ")"
        -compose multiply -composite ")"
    -compose CopyOpacity -composite "${alpha}")

  foreach(entry IN LISTS VXR_TGA_FIXTURES)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 name)
    list(GET fields 1 options)
    list(GET fields 2 source)
    list(GET fields 3 type)
    list(GET fields 4 depth)
    list(GET fields 5 mapBits)
    string(REPLACE "," ";" options "${options}")
    foreach(order IN LISTS VXR_TGA_ROW_ORDERS)
      set(orient)
      if(order STREQUAL "top_down")
        set(orient -orient TopLeft)
      endif()
      set(file "${OUT}/${name}_${order}.tga")
      vxr_run(${magick} "${${source}}" ${options} ${orient} "${file}")
      vxr_check_tga("${file}" ${type} ${depth} ${mapBits} ${order})
      vxr_run(${magick} "${file}" -auto-orient -depth 8 "rgba:${file}.rgba")
    endforeach()
  endforeach()

  # 8-bit colour-mapped with a 32-bit map: the 24-bit map file with an alpha
  # byte added to every entry. The bytes go through a plain PGM, which
  # ImageMagick turns into the exact binary file.
  foreach(order IN LISTS VXR_TGA_ROW_ORDERS)
    set(from "${OUT}/index8_map24_${order}.tga")
    set(file "${OUT}/index8_map32_${order}.tga")
    vxr_file_bytes("${from}" bytes)
    list(GET bytes 0 idLength)
    list(GET bytes 5 lengthLow)
    list(GET bytes 6 lengthHigh)
    list(GET bytes 17 descriptor)
    math(EXPR entries "${lengthLow} + 256 * ${lengthHigh}")
    math(EXPR mapStart "18 + ${idLength}")
    math(EXPR pixelStart "${mapStart} + 3 * ${entries}")
    list(LENGTH bytes total)

    list(SUBLIST bytes 0 ${mapStart} out)
    math(EXPR descriptor "(${descriptor} & 0xF0) | 8")  # eight alpha bits
    list(REMOVE_AT out 7)
    list(INSERT out 7 32)
    list(REMOVE_AT out 17)
    list(INSERT out 17 ${descriptor})
    math(EXPR last "${entries} - 1")
    foreach(i RANGE ${last})
      math(EXPR at "${mapStart} + 3 * ${i}")
      list(SUBLIST bytes ${at} 3 bgr)
      # Spread over 0..255 and different from neighbouring entries.
      math(EXPR entryAlpha "(${i} * 97 + 13) % 256")
      list(APPEND out ${bgr} ${entryAlpha})
    endforeach()
    math(EXPR pixelBytes "${total} - ${pixelStart}")
    list(SUBLIST bytes ${pixelStart} ${pixelBytes} pixels)
    list(APPEND out ${pixels})

    list(LENGTH out outLength)
    string(REPLACE ";" "\n" numbers "${out}")
    file(WRITE "${file}.pgm" "P2\n${outLength} 1\n255\n${numbers}\n")
    vxr_run(${magick} "${file}.pgm" -depth 8 "gray:${file}")
    file(REMOVE "${file}.pgm")
    file(SIZE "${file}" written)
    if(NOT written EQUAL outLength)
      message(FATAL_ERROR "TGA fixtures: ${file} has ${written} bytes, wanted ${outLength}")
    endif()
    vxr_check_tga("${file}" 1 8 32 ${order})
    vxr_run(${magick} "${file}" -auto-orient -depth 8 "rgba:${file}.rgba")
  endforeach()
else()
  # ---- declaration, at configure time --------------------------------------
  set(VXR_FIXTURE_DIR "${CMAKE_BINARY_DIR}/fixtures")
  find_program(VXR_CONVERT_EXECUTABLE NAMES convert DOC "ImageMagick's convert")

  set(vxr_fixture_outputs)
  set(vxr_fixture_names)
  foreach(entry IN LISTS VXR_TGA_FIXTURES)
    string(REGEX REPLACE "\\|.*" "" name "${entry}")
    list(APPEND vxr_fixture_names ${name})
  endforeach()
  list(APPEND vxr_fixture_names ${VXR_TGA_DERIVED_FIXTURES})
  foreach(name IN LISTS vxr_fixture_names)
    foreach(order IN LISTS VXR_TGA_ROW_ORDERS)
      list(APPEND vxr_fixture_outputs
        "${VXR_FIXTURE_DIR}/${name}_${order}.tga"
        "${VXR_FIXTURE_DIR}/${name}_${order}.tga.rgba")
    endforeach()
  endforeach()

  if(VXR_CONVERT_EXECUTABLE)
    add_custom_command(OUTPUT ${vxr_fixture_outputs}
      COMMAND ${CMAKE_COMMAND} -DCONVERT=${VXR_CONVERT_EXECUTABLE} -DOUT=${VXR_FIXTURE_DIR}
              -P ${CMAKE_CURRENT_LIST_FILE}
      DEPENDS ${CMAKE_CURRENT_LIST_FILE}
      COMMENT "Writing the TGA test images with ImageMagick"
      VERBATIM)
    add_custom_target(vxr_tga_fixtures DEPENDS ${vxr_fixture_outputs})
  else()
    add_custom_target(vxr_tga_fixtures
      COMMAND ${CMAKE_COMMAND} -E echo
              "error: ImageMagick's convert was not found; the TGA tests need it"
              "to write their images (install imagemagick)"
      COMMAND ${CMAKE_COMMAND} -E false
      VERBATIM)
  endif()

  # The test executable may be declared after this file is included, so the
  # link is made once the including directory is complete.
  function(vxr_attach_tga_fixtures)
    if(NOT TARGET vxr_surface_tests)
      message(WARNING "TGA fixtures: there is no vxr_surface_tests target to give them to")
      return()
    endif()
    add_dependencies(vxr_surface_tests vxr_tga_fixtures)
    target_compile_definitions(vxr_surface_tests PRIVATE
      "VXR_FIXTURE_DIR=\"${VXR_FIXTURE_DIR}\"")
  endfunction()
  cmake_language(DEFER CALL vxr_attach_tga_fixtures)
endif()
