# Fails when portable code includes <windows.h> (or another Win32 header). Only
# the seam's Win32 side, the windows and their resources, the entry points and
# Win32-side tests may; resource scripts are checked too.
set(folders app catalogue cli compaction results path platform hive tools ui tests fuzz bench)
set(sources "")
foreach(folder ${folders})
  file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.hpp
    ${SOURCE_DIR}/${folder}/*.rc ${SOURCE_DIR}/${folder}/*.rc2)
  list(APPEND sources ${found})
endforeach()
set(win32_only "^(platform/win32/|ui/framework/|ui/res/|ui/[^/]+$|app/win32/|bench/win32/|tests/ui/|tests/e2e/|tests/contract/[^/]*Win32[^/]*$)")
set(offenders "")
foreach(file ${sources})
  if(file MATCHES "${win32_only}")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "#[ \t]*include[ \t]*[<\"](windows|winreg|winbase|winuser|windowsx|commctrl|shellapi|winnt)\\.h[>\"]")
  if(lines)
    list(APPEND offenders ${file})
  endif()
endforeach()
list(LENGTH sources count)
if(offenders)
  message(FATAL_ERROR "portable files include Win32 headers: ${offenders}")
endif()
message(STATUS "checked ${count} files: no Win32 header outside the Win32 folders")
