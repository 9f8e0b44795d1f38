# Builds the Debian package from the build tree into a scratch folder and checks
# it as Debian would: lintian finds no error and no warning, the desktop entry
# and the AppStream metainfo validate, the dependencies come from the binaries
# plus the fonts, and the kelvox-render manual page names every option of
# --help. Run by ctest with -DBUILD=<build dir> -DRENDER=<kelvox-render>.
set(out "${BUILD}/package-check")
set(failures "")
function(fail message)
  set(failures "${failures}\n- ${message}" PARENT_SCOPE)
endfunction()
macro(finish)
  file(REMOVE_RECURSE "${out}")
  if(failures)
    message(FATAL_ERROR "The Debian package is not right:${failures}")
  endif()
endmacro()

file(REMOVE_RECURSE "${out}")
execute_process(COMMAND cpack -G DEB -B "${out}" --config "${BUILD}/CPackConfig.cmake"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  fail("cpack failed: ${err}")
endif()
file(GLOB debs "${out}/*.deb")
list(LENGTH debs n)
if(NOT n EQUAL 1)
  fail("expected one .deb in ${out}, found ${n}")
endif()
if(failures)
  finish()
endif()

execute_process(COMMAND dpkg-deb -c ${debs} OUTPUT_VARIABLE files RESULT_VARIABLE rc)
execute_process(COMMAND dpkg-deb -I ${debs} OUTPUT_VARIABLE info RESULT_VARIABLE rc2)
execute_process(COMMAND dpkg-deb -x ${debs} "${out}/root" RESULT_VARIABLE rc3)
if(NOT (rc EQUAL 0 AND rc2 EQUAL 0 AND rc3 EQUAL 0))
  fail("dpkg-deb could not read the package")
endif()
set(metainfo ./usr/share/metainfo/invalid.kelvox.kelvox.metainfo.xml)
foreach(path ./usr/bin/kelvox ./usr/bin/kelvox-render ./usr/share/applications/kelvox.desktop
             ./usr/share/icons/hicolor/scalable/apps/kelvox.svg ./usr/share/man/man1/kelvox.1.gz
             ./usr/share/man/man1/kelvox-render.1.gz ./usr/share/doc/kelvox/copyright
             ./usr/share/doc/kelvox/changelog.gz ${metainfo})
  string(FIND "${files}" " ${path}\n" at)
  if(at EQUAL -1)
    fail("the package lacks ${path}")
  endif()
endforeach()

# Libraries found by dpkg-shlibdeps (libc6 among them), and the fonts.
string(REGEX MATCH "Depends: [^\n]*" depends "${info}")
foreach(dep libc6 libqt6widgets6 libqt6printsupport6 libqt6multimedia6 libsndfile1 fonts-liberation2 fonts-dejavu-core)
  string(FIND "${depends}" " ${dep}" at)
  if(at EQUAL -1)
    fail("the package does not depend on ${dep}: ${depends}")
  endif()
endforeach()

# lintian leaves a cache of its own in the temporary folder: give it one here,
# removed with the rest.
file(MAKE_DIRECTORY "${out}/tmp")
execute_process(COMMAND ${CMAKE_COMMAND} -E env TMPDIR=${out}/tmp lintian --fail-on error,warning ${debs}
                RESULT_VARIABLE rc OUTPUT_VARIABLE lintian ERROR_VARIABLE lintian)
if(NOT rc EQUAL 0)
  fail("lintian:\n${lintian}")
endif()

execute_process(COMMAND desktop-file-validate "${out}/root/usr/share/applications/kelvox.desktop"
                RESULT_VARIABLE rc OUTPUT_VARIABLE desktop ERROR_VARIABLE desktop)
if(NOT rc EQUAL 0)
  fail("desktop-file-validate:\n${desktop}")
endif()
execute_process(COMMAND appstreamcli validate --no-net "${out}/root/${metainfo}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE appstream ERROR_VARIABLE appstream)
if(NOT rc EQUAL 0)
  fail("appstreamcli validate:\n${appstream}")
endif()
# The tree as installed: the metainfo's launchable names a desktop entry that is there.
execute_process(COMMAND appstreamcli validate-tree --no-net "${out}/root"
                RESULT_VARIABLE rc OUTPUT_VARIABLE appstream ERROR_VARIABLE appstream)
if(NOT rc EQUAL 0)
  fail("appstreamcli validate-tree:\n${appstream}")
endif()

# "Open with" and the software centre offer Kelvox for the same sound types.
file(READ "${out}/root/usr/share/applications/kelvox.desktop" desktop)
string(REGEX MATCH "\nMimeType=([^\n]*)" mimeLine "${desktop}")
string(REGEX REPLACE ";$" "" desktopTypes "${CMAKE_MATCH_1}")
file(READ "${out}/root/${metainfo}" xml)
string(REGEX MATCHALL "<mediatype>[^<]*</mediatype>" tags "${xml}")
list(TRANSFORM tags REPLACE "</?mediatype>" "")
if(NOT desktopTypes STREQUAL tags)
  fail("the desktop entry opens ${desktopTypes}, the metainfo ${tags}")
endif()

# Every option kelvox-render --help names is in its manual page.
execute_process(COMMAND "${RENDER}" --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  fail("kelvox-render --help failed")
endif()
execute_process(COMMAND gzip -dc "${out}/root/usr/share/man/man1/kelvox-render.1.gz" OUTPUT_VARIABLE page)
string(REPLACE "\\-" "-" page "${page}")
string(REGEX REPLACE "\\\\f[BIRP]" "" page "${page}")
string(REGEX MATCHALL "--[a-z][a-z-]*" options "${help}")
list(REMOVE_DUPLICATES options)
list(LENGTH options optionCount)
if(NOT optionCount GREATER 5)
  fail("kelvox-render --help names only ${optionCount} options")
endif()
foreach(option IN LISTS options)
  string(FIND "${page}" "${option}" at)
  if(at EQUAL -1)
    fail("the kelvox-render manual page lacks ${option}")
  endif()
endforeach()

# The changelog's newest entry is this version.
execute_process(COMMAND gzip -dc "${out}/root/usr/share/doc/kelvox/changelog.gz" OUTPUT_VARIABLE changelog)
string(REGEX MATCH "Version: [^\n]*" version "${info}")
string(REPLACE "Version: " "" version "${version}")
string(FIND "${changelog}" "kelvox (${version}) " at)
if(NOT at EQUAL 0)
  fail("the changelog does not begin with version ${version}")
endif()

finish()
