# Run by CPack after it has written the Debian package (CPACK_POST_BUILD_SCRIPTS).
#
# CPack gives every package with a shared object below /usr/lib postinst and
# postrm scripts that run ldconfig. BraskoKorvala.so lies in /usr/lib/vst,
# which hosts search and the dynamic linker does not, so the scripts would
# only refresh an unchanged cache. The package is unpacked and packed again
# without them; its files, md5sums and control fields stay as CPack made them.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb -R "${deb}" "${tree}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -R ${deb} failed (${rc})")
  endif()
  file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
  execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b "${tree}" "${deb}"
                  OUTPUT_QUIET RESULT_VARIABLE rc)
  file(REMOVE_RECURSE "${tree}")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -b ${deb} failed (${rc})")
  endif()
endforeach()
