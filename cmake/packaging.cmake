# What a user unzips into the host: the plug-ins in the host's Modules folder
# and a short text on where the rest goes, the component `plugins`.
# `cmake --install` puts them under the install prefix (with vmhost, see
# vmhost/CMakeLists.txt); `cpack` (ZIP) packs this component alone, with no
# top folder, so that the archive unzips straight into the host's folder. The
# package is named after its plug-ins: Tarvik-Olumbra.
install(TARGETS ${VM_PLUGINS}
        RUNTIME DESTINATION Modules COMPONENT plugins
        LIBRARY DESTINATION Modules COMPONENT plugins)
list(JOIN VM_PLUGINS - VM_PACKAGE_NAME)
set(VM_PACKAGE_README ${VM_PACKAGE_NAME}-README.txt)

# The text is read on Windows: CRLF line ends there.
if(WIN32)
    set(text_newlines CRLF)
else()
    set(text_newlines UNIX)
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt
               ${PROJECT_BINARY_DIR}/packaging/${VM_PACKAGE_README}
               @ONLY NEWLINE_STYLE ${text_newlines})
install(FILES ${PROJECT_BINARY_DIR}/packaging/${VM_PACKAGE_README} DESTINATION .
        COMPONENT plugins)

set(CPACK_GENERATOR ZIP)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};plugins;/")
set(CPACK_PACKAGE_NAME ${VM_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Velmora add-on developers")
list(JOIN VM_PLUGINS " and " plugins)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${plugins} aircraft plug-ins for Velmora")
if(WIN32)
    set(CPACK_SYSTEM_NAME win64)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
