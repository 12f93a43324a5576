# Installs the build into a scratch prefix and checks that the program, its
# desktop entry, its icons and the sample constants file are all in place.
# Called as: cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}\n${err}")
endif()
set(expected
  bin/zsn7adj
  share/applications/zsn7adj.desktop
  share/icons/hicolor/16x16/apps/zsn7adj.png
  share/icons/hicolor/32x32/apps/zsn7adj.png
  share/icons/hicolor/48x48/apps/zsn7adj.png
  share/icons/hicolor/64x64/apps/zsn7adj.png
  share/zsn7adj/Const.ini)
foreach(f ${expected})
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(STRINGS "${PREFIX}/share/applications/zsn7adj.desktop" entry)
foreach(key "Exec=zsn7adj" "Icon=zsn7adj" "Type=Application")
  list(FIND entry "${key}" at)
  if(at LESS 0)
    message(FATAL_ERROR "desktop entry lacks ${key}")
  endif()
endforeach()
file(READ "${PREFIX}/share/zsn7adj/Const.ini" installed)
file(READ "${SOURCE_DIR}/Const.ini" shipped)
if(NOT installed STREQUAL shipped)
  message(FATAL_ERROR "installed Const.ini differs from the shipped one")
endif()
message(STATUS "installed: ${expected}")
