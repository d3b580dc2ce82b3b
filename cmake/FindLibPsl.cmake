# libpsl, the public suffix list: cookies may not be set for a whole suffix such as "com".
# Defines LibPsl::LibPsl. On Linux the distribution's library; for Windows the static build
# that scripts/windows keeps in its cache (found through CMAKE_PREFIX_PATH).
find_path(LibPsl_INCLUDE_DIR libpsl.h)
find_library(LibPsl_LIBRARY NAMES psl libpsl)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(LibPsl REQUIRED_VARS LibPsl_LIBRARY LibPsl_INCLUDE_DIR)
if(LibPsl_FOUND AND NOT TARGET LibPsl::LibPsl)
    add_library(LibPsl::LibPsl UNKNOWN IMPORTED)
    set_target_properties(LibPsl::LibPsl PROPERTIES
        IMPORTED_LOCATION "${LibPsl_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${LibPsl_INCLUDE_DIR}")
    # A static library on Windows: its header must not ask for DLL imports.
    if(WIN32 AND LibPsl_LIBRARY MATCHES "\\.a$" AND NOT LibPsl_LIBRARY MATCHES "\\.dll\\.a$")
        set_property(TARGET LibPsl::LibPsl APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS PSL_STATIC)
    endif()
endif()
mark_as_advanced(LibPsl_INCLUDE_DIR LibPsl_LIBRARY)
