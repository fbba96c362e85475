# Checks, folder by folder, that no include in the source tree runs upward.
#
#   cmake -DSOURCE_DIR=<src folder> [-DDRIVER_DIR=<drivers folder>] -P CheckIncludeFloors.cmake
#
# Floors, top to bottom:
#   4 front ends: cli, app (the desktop program's own start), mainwindow, gui,
#     every */dialogs folder, and any folder not named below
#   3 subsystems: container, driveaccess, virtualdrive, services
#   2 the platform layer: platform and its backends platform/<name>
#   1 fat
#   0 base (pure helpers) and resources (built-in data)
#
# A file may include its own folder and any lower floor. On its own floor it
# may include only what the table of allowed neighbours below names:
#   - container uses driveaccess (raw access, file placement, drive lists);
#   - services/error_report names the result-code families of container,
#     driveaccess and virtualdrive;
#   - inside the platform layer: platform, platform/host and platform/image;
#     the Linux and macOS backends also use platform/posix;
#   - resources uses base.
#   - app, the desktop program, starts the windows.
# The platform layer's backends are reached from the platform layer only:
# platform/host and platform/image (drives on a host folder, on an image) from
# platform/ and its backends, the OS backends (platform/posix, platform/linux,
# platform/macos, platform/windows) from the OS backends alone. Front ends
# attach images through platform/drive_images.h.
# OS headers (unistd.h, fcntl.h, sys/*, linux/*, dlfcn.h, windows.h, ...)
# are included only by the OS backends.
# Qt is included only by app, mainwindow, gui and */dialogs.
#
# DRIVER_DIR holds the virtual disk driver libraries (drivers/<name>), outside
# components that stand in for a driver: they may call the OS and use the OS
# backend's records, but include no window and no Qt.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR OR NOT IS_DIRECTORY "${SOURCE_DIR}")
  message(FATAL_ERROR "set SOURCE_DIR to the folder that holds the sources")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

set(os_backends platform/posix platform/linux platform/macos platform/windows)
set(platform_backends platform/host platform/image)
# System headers of POSIX, Linux, macOS and Windows; the C and C++ standard
# headers are not among them.
set(os_header_pattern
    "^(unistd|fcntl|dlfcn|pwd|grp|spawn|poll|termios|dirent|strings|libudev|mntent|pthread|syslog|glob|fnmatch|langinfo|windows|winioctl|shlobj|shellapi|setupapi|dbt)\\.h$|^(sys|linux|asm|systemd|mach|mach-o|netinet|arpa)/|^fuse")

# The floor of a folder (relative to SOURCE_DIR), and whether it may use Qt.
function(floor_of folder out_floor out_qt)
  set(qt FALSE)
  if(folder MATCHES "(^|/)dialogs(/|$)" OR folder MATCHES "^(app|gui|mainwindow)(/|$)")
    set(floor 4)
    set(qt TRUE)
  elseif(folder MATCHES "^(container|driveaccess|virtualdrive|services)$")
    set(floor 3)
  elseif(folder MATCHES "^platform(/|$)")
    set(floor 2)
  elseif(folder STREQUAL "fat")
    set(floor 1)
  elseif(folder MATCHES "^(base|resources)$")
    set(floor 0)
  else()
    set(floor 4)  # cli and the front ends still to come
  endif()
  set(${out_floor} ${floor} PARENT_SCOPE)
  set(${out_qt} ${qt} PARENT_SCOPE)
endfunction()

# True when `from` (a file's folder and name) may include `to` on the same floor.
function(allowed_neighbour from_folder from_name to_folder out)
  set(ok FALSE)
  if(from_folder STREQUAL "container" AND to_folder STREQUAL "driveaccess")
    set(ok TRUE)
  elseif(from_folder STREQUAL "services" AND from_name MATCHES "^error_report\\."
         AND to_folder MATCHES "^(container|driveaccess|virtualdrive)$")
    set(ok TRUE)
  elseif(from_folder MATCHES "^platform(/|$)" AND to_folder MATCHES "^platform(/host|/image)?$")
    set(ok TRUE)
  elseif(from_folder MATCHES "^platform/(linux|macos)$" AND to_folder STREQUAL "platform/posix")
    set(ok TRUE)  # the POSIX backend is shared by Linux and macOS
  elseif(from_folder STREQUAL "resources" AND to_folder STREQUAL "base")
    set(ok TRUE)
  elseif(from_folder STREQUAL "cli" AND NOT to_folder MATCHES "(^|/)dialogs(/|$)|^(gui|mainwindow)(/|$)")
    set(ok TRUE)  # the command-line tool stands on the core alone
  elseif(NOT from_folder STREQUAL "cli" AND from_folder MATCHES "(^|/)dialogs(/|$)|^(app|gui|mainwindow)(/|$)"
         AND NOT to_folder STREQUAL "app")
    set(ok TRUE)  # the windows use each other; the desktop program starts them
  endif()
  set(${out} ${ok} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
list(SORT sources)
set(driver_sources)
if(DRIVER_DIR)
  get_filename_component(DRIVER_DIR "${DRIVER_DIR}" ABSOLUTE)
  file(GLOB_RECURSE driver_sources RELATIVE "${DRIVER_DIR}" "${DRIVER_DIR}/*.h" "${DRIVER_DIR}/*.cpp")
  list(SORT driver_sources)
  list(TRANSFORM driver_sources PREPEND "drivers/")
  list(APPEND sources ${driver_sources})
endif()
set(violations 0)
foreach(source IN LISTS sources)
  get_filename_component(folder "${source}" DIRECTORY)
  get_filename_component(name "${source}" NAME)
  set(path "${SOURCE_DIR}/${source}")
  set(driver FALSE)
  if(source IN_LIST driver_sources)
    set(driver TRUE)
    string(REGEX REPLACE "^drivers/" "${DRIVER_DIR}/" path "${source}")
  endif()
  floor_of("${folder}" floor qt_allowed)
  set(os_allowed ${driver})
  foreach(backend IN LISTS os_backends)
    if(folder STREQUAL backend OR folder MATCHES "^${backend}/")
      set(os_allowed TRUE)
    endif()
  endforeach()
  file(STRINGS "${path}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS lines)
    if(line MATCHES "include[ \t]*<(Q[A-Za-z_]*)[/>]")
      if(NOT qt_allowed OR driver)
        message(NOTICE "${source}: includes <${CMAKE_MATCH_1}>, but Qt belongs to the windows only")
        math(EXPR violations "${violations} + 1")
      endif()
      continue()
    endif()
    if(line MATCHES "include[ \t]*<([^>]+)>")
      set(header "${CMAKE_MATCH_1}")
      if(NOT os_allowed AND header MATCHES "${os_header_pattern}")
        message(NOTICE "${source}: includes <${header}>, but OS headers belong to the OS backends only")
        math(EXPR violations "${violations} + 1")
      endif()
      continue()
    endif()
    if(NOT line MATCHES "include[ \t]*\"([^\"]+)\"")
      continue()
    endif()
    set(included "${CMAKE_MATCH_1}")
    if(NOT EXISTS "${SOURCE_DIR}/${included}")
      continue()  # beside the file, or generated
    endif()
    get_filename_component(target "${included}" DIRECTORY)
    if(target STREQUAL folder)
      continue()
    endif()
    floor_of("${target}" target_floor ignored)
    set(problem "")
    if(target IN_LIST os_backends AND NOT os_allowed)
      set(problem "the OS backend ${target} is reached through platform/ only")
    elseif(target IN_LIST platform_backends AND NOT folder MATCHES "^platform(/|$)" AND NOT driver)
      set(problem "the backend ${target} is reached through platform/ only")
    elseif(target_floor GREATER floor)
      set(problem "${folder} -> ${target} runs upward")
    elseif(target_floor EQUAL floor AND NOT driver)
      allowed_neighbour("${folder}" "${name}" "${target}" ok)
      if(NOT ok)
        set(problem "${folder} -> ${target} is not an allowed neighbour on its floor")
      endif()
    endif()
    if(driver AND target MATCHES "(^|/)dialogs(/|$)|^(app|gui|mainwindow)(/|$)")
      set(problem "a driver library includes no window")
    endif()
    if(problem)
      message(NOTICE "${source}: includes \"${included}\": ${problem}")
      math(EXPR violations "${violations} + 1")
    endif()
  endforeach()
endforeach()

list(LENGTH sources checked)
if(checked EQUAL 0)
  message(FATAL_ERROR "include floors: no sources in ${SOURCE_DIR}")
endif()
if(violations GREATER 0)
  message(FATAL_ERROR "include floors: ${violations} violation(s) in ${checked} files")
endif()
message(STATUS "include floors: ${checked} files, no include runs upward")
