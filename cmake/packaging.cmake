# What a user unzips into the host: the plug-ins in the host's Modules folder
# and a short text on where the rest goes, the component `plugins`.
# `cmake --install` puts them under the install prefix (with vmhost, see
# vmhost/CMakeLists.txt); `cpack` (ZIP) packs this component alone, with no
# top folder, so that the archive unzips straight into the host's folder.
# Package and text are made from the list of aircraft: the package is named
# after its plug-ins (Name-Other), and the text lists every file and holds
# each aircraft's own paragraph, NAME/package.txt.
install(TARGETS ${VM_PLUGINS}
        RUNTIME DESTINATION Modules COMPONENT plugins
        LIBRARY DESTINATION Modules COMPONENT plugins)
list(JOIN VM_PLUGINS - VM_PACKAGE_NAME)
set(VM_PACKAGE_README ${VM_PACKAGE_NAME}-README.txt)

# The text is read on Windows: CRLF line ends and backslashes there.
if(WIN32)
    set(text_newlines CRLF)
    set(separator "\\")
else()
    set(text_newlines UNIX)
    set(separator /)
endif()

# The plug-ins as "A, B and C".
set(plugins ${VM_PLUGINS})
list(POP_BACK plugins last)
list(JOIN plugins ", " VM_PACKAGE_PLUGINS)
if(plugins)
    string(APPEND VM_PACKAGE_PLUGINS " and ")
endif()
string(APPEND VM_PACKAGE_PLUGINS ${last})
set(VM_PACKAGE_TITLE "${VM_PACKAGE_PLUGINS}: aircraft plug-ins for Velmora")
string(LENGTH "${VM_PACKAGE_TITLE}" length)
string(REPEAT = ${length} VM_PACKAGE_RULE)

# The files, one a line, their descriptions in a column.
set(files "")
set(width 0)
foreach(plugin IN LISTS VM_PLUGINS)
    set(file "Modules${separator}${plugin}${CMAKE_SHARED_LIBRARY_SUFFIX}")
    list(APPEND files "${file}|the ${plugin} plug-in")
endforeach()
list(APPEND files "${VM_PACKAGE_README}|this text")
foreach(row IN LISTS files)
    string(REGEX REPLACE "\\|.*" "" file "${row}")
    string(LENGTH "${file}" length)
    if(length GREATER width)
        set(width ${length})
    endif()
endforeach()
set(VM_PACKAGE_FILES "")
foreach(row IN LISTS files)
    string(REGEX REPLACE "\\|.*" "" file "${row}")
    string(REGEX REPLACE ".*\\|" "" what "${row}")
    string(LENGTH "${file}" length)
    math(EXPR pad "${width} - ${length} + 3")
    string(REPEAT " " ${pad} gap)
    string(APPEND VM_PACKAGE_FILES "  ${file}${gap}${what}\n")
endforeach()

set(VM_PACKAGE_AIRCRAFT "")
foreach(aircraft IN LISTS VM_AIRCRAFT)
    set(paragraph ${PROJECT_SOURCE_DIR}/${aircraft}/package.txt)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${paragraph})
    file(READ ${paragraph} text)
    string(APPEND VM_PACKAGE_AIRCRAFT "${text}\n")
endforeach()

configure_file(${PROJECT_SOURCE_DIR}/packaging/README.txt
               ${PROJECT_BINARY_DIR}/packaging/${VM_PACKAGE_README}
               @ONLY NEWLINE_STYLE ${text_newlines})
install(FILES ${PROJECT_BINARY_DIR}/packaging/${VM_PACKAGE_README} DESTINATION .
        COMPONENT plugins)

set(CPACK_GENERATOR ZIP)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};plugins;/")
set(CPACK_PACKAGE_NAME ${VM_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Velmora add-on developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${VM_PACKAGE_PLUGINS} aircraft plug-ins for Velmora")
if(WIN32)
    set(CPACK_SYSTEM_NAME win64)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
