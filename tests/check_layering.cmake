# Only forms (*_window, *_dialog) and app/ may include Qt Widgets; kernels and file
# loading (signal_core, the analysis kernels) include no Qt header at all. Of the
# signal folder, the forms, the audio player and the program memory (QSettings)
# belong to signal_forms.
file(GLOB_RECURSE files "${SRC}/*.h" "${SRC}/*.cpp")
foreach(f IN LISTS files)
  file(STRINGS "${f}" hits REGEX "#include <(QtWidgets|QApplication|QMainWindow|QMenu|QLabel|Q[A-Za-z]*(Widget|Dialog|Box|Button|Edit|Bar))")
  if(hits AND NOT f MATCHES "_(window|dialog)\\.(h|cpp)$|/app/")
    message(SEND_ERROR "${f} includes Qt Widgets")
  endif()
endforeach()
file(GLOB qtfree "${SRC}/signal/*.h" "${SRC}/signal/*.cpp")
foreach(f IN LISTS qtfree)
  if(f MATCHES "_(window|dialog)\\.(h|cpp)$|audio_player|program_memory")
    continue()
  endif()
  file(STRINGS "${f}" hits REGEX "#include <Q")
  if(hits)
    message(SEND_ERROR "${f} is part of signal_core and includes a Qt header")
  endif()
endforeach()

# Every type a header defines at namespace scope has one name in the whole program:
# two different `kelvox::AxisTick`s in two libraries link into one program and
# silently share one definition.
file(GLOB_RECURSE headers "${SRC}/*.h")
set(seen "")
foreach(f IN LISTS headers)
  file(STRINGS "${f}" defs REGEX "^(struct|class|enum class) [A-Za-z_][A-Za-z0-9_]*( final)?( :[^;]*)? *\\{?$")
  foreach(line IN LISTS defs)
    string(REGEX REPLACE "^(struct|class|enum class) ([A-Za-z_][A-Za-z0-9_]*).*" "\\2" name "${line}")
    list(FIND seen "${name}" at)
    if(NOT at EQUAL -1)
      message(SEND_ERROR "${name} is defined by more than one header (again in ${f})")
    endif()
    list(APPEND seen "${name}")
  endforeach()
endforeach()
