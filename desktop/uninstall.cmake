# SPDX-License-Identifier: GPL-3.0-or-later
# Removes what an install put in place, as listed in its install manifest:
#
#     cmake -DMANIFEST=build/release/install_manifest.txt -P desktop/uninstall.cmake
#
# Every listed file goes, then the game's own folders (those named
# "quintora" that held listed files) if that leaves them empty. Folders shared with other programs,
# such as the icon theme's, stay. The per-user data folder the launcher makes
# holds the player's settings and is not part of an install: it stays too.
if(NOT DEFINED MANIFEST)
  message(FATAL_ERROR "uninstall: pass -DMANIFEST=<install_manifest.txt>")
endif()
if(NOT EXISTS "${MANIFEST}")
  message(STATUS "uninstall: ${MANIFEST} not found, nothing was installed from this build")
  return()
endif()

# The manifest lists the paths below the prefix; an install staged under
# DESTDIR is removed with the same DESTDIR set.
file(STRINGS "${MANIFEST}" installed ENCODING UTF-8)
set(own_folders)
foreach(path IN LISTS installed)
  set(path "$ENV{DESTDIR}${path}")
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing ${path}")
    file(REMOVE "${path}")
  endif()
  cmake_path(GET path PARENT_PATH folder)
  cmake_path(GET folder FILENAME name)
  if(name STREQUAL "quintora")
    list(APPEND own_folders "${folder}")
  endif()
endforeach()

# rmdir removes a folder only when it is empty: whatever else was put there
# since is kept, folder and all.
list(REMOVE_DUPLICATES own_folders)
foreach(folder IN LISTS own_folders)
  if(IS_DIRECTORY "${folder}")
    execute_process(COMMAND rmdir "${folder}" RESULT_VARIABLE failed ERROR_QUIET)
    if(NOT failed)
      message(STATUS "Removing ${folder}/")
    endif()
  endif()
endforeach()
