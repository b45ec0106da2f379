cmake_minimum_required(VERSION 3.25)
# Installs the build into a fresh PREFIX and checks that a desktop finds everything there.
# Usage: cmake -DBUILD_DIR=<build> -DPREFIX=<empty folder to use> -P CheckInstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(failures "")
macro(fail text)
  message(SEND_ERROR "${text}")
  set(failures yes)
endmacro()

set(id org.kestrelfind.Kestrelfind)
set(expected
  bin/kestrelfind
  share/applications/${id}.desktop
  share/metainfo/${id}.metainfo.xml
  share/icons/hicolor/scalable/apps/kestrelfind.svg
  share/doc/kestrelfind/manual/index.html
  share/man/man1/kestrelfind.1)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/kestrelfind.png)
endforeach()
foreach(file IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${file}")
    fail("missing after install: ${file}")
  endif()
endforeach()

# The desktop entry names an installed icon and the installed program.
file(STRINGS "${PREFIX}/share/applications/${id}.desktop" entry)
foreach(line IN ITEMS "Exec=kestrelfind" "Icon=kestrelfind" "Type=Application")
  if(NOT line IN_LIST entry)
    fail("desktop entry lacks ${line}")
  endif()
endforeach()

set(skipped "")
find_program(desktop_validate desktop-file-validate)
if(desktop_validate)
  execute_process(COMMAND "${desktop_validate}" "${PREFIX}/share/applications/${id}.desktop"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR out MATCHES "error")
    fail("desktop-file-validate: ${out}")
  endif()
else()
  list(APPEND skipped desktop-file-validate)
endif()
find_program(appstreamcli appstreamcli)
if(appstreamcli)
  execute_process(COMMAND "${appstreamcli}" validate --no-net
                          "${PREFIX}/share/metainfo/${id}.metainfo.xml"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    fail("appstreamcli validate: ${out}")
  endif()
else()
  list(APPEND skipped appstreamcli)
endif()
find_program(man_program man)
if(man_program)
  execute_process(COMMAND "${man_program}" --warnings -l -Tutf8 "${PREFIX}/share/man/man1/kestrelfind.1"
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    fail("the manual page has faults: ${out}")
  endif()
endif()

file(REMOVE_RECURSE "${PREFIX}")
if(skipped AND NOT failures)
  # Everything else passed; the validators themselves were not available here.
  message(STATUS "SKIPPED: not installed, so not run: ${skipped}")
endif()
