# Runs the layering test on the fixture, whose build breaks each rule once, and
# fails unless the test fails with each of the expected reasons.
#   cmake -DCHECK=<check_layering.cmake> -DFIXTURE=<this folder> -P expect.cmake
execute_process(
  COMMAND ${CMAKE_COMMAND} -DSRC=${FIXTURE}/src -DGRAPH=${FIXTURE}/graph.cmake -P ${CHECK}
  RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
string(REGEX REPLACE "[ \n]+" " " output "${output}")
if(result EQUAL 0)
  message(FATAL_ERROR "the layering test passed a build that breaks its rules")
endif()
set(expected
  "core links Qt6::Core, which src/layers.cmake does not allow"
  "src/layers.cmake lets forms link Qt6::Multimedia, but its CMakeLists.txt does not link it"
  "extra is not in src/layers.cmake"
  "src/layers.cmake names ghost, which no CMakeLists.txt under src/ defines"
  "src/core/shared.h belongs to two targets, core and forms"
  "src/forms/split.cpp is built by forms, but split.h belongs to page"
  "core reaches Qt6::Core: the kernels and file loading include no Qt"
  "src/core/core.cpp (target core) includes page.h of page, which core does not link"
  "src/page/page.cpp includes orphan.h, which belongs to no target"
  "src/page/page.cpp (target page) includes <QWidget> of Qt6::Widgets, which page does not link"
  "src/page/page.cpp includes <QNoSuchHeader>, a Qt header of no module the build links"
  "src/page/page.cpp includes Qt Widgets"
  "Core is defined by more than one header"
)
foreach(e IN LISTS expected)
  string(FIND "${output}" "${e}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "the layering test did not say: ${e}")
  endif()
endforeach()
foreach(ok "form.cpp (target forms) includes" "<QImage>")
  string(FIND "${output}" "${ok}" at)
  if(NOT at EQUAL -1)
    message(SEND_ERROR "the layering test refused an allowed include (${ok}):\n${output}")
  endif()
endforeach()
