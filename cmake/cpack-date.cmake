# Read by CPack before each package: its archives' entries and members take the time the build was configured
# with (cmake/Reproducible.cmake), unless the packer sets SOURCE_DATE_EPOCH.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ENV{SOURCE_DATE_EPOCH} ${CPACK_TORVALE_SOURCE_DATE_EPOCH})
endif()
