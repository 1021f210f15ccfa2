# Read by cpack before it makes a package. Without dpkg-shlibdeps CPack would quietly make a
# Debian package that depends on nothing; refuse instead.
if(CPACK_GENERATOR STREQUAL "DEB")
    cmake_policy(SET CMP0109 NEW) # a program is what one may execute
    find_program(SCENE_VIEWER_DPKG_SHLIBDEPS dpkg-shlibdeps)
    if(NOT SCENE_VIEWER_DPKG_SHLIBDEPS)
        message(FATAL_ERROR
            "dpkg-shlibdeps is missing, so the package's dependencies cannot be derived: "
            "install the Debian package dpkg-dev (tools/setup-debian does)")
    endif()
endif()
