# Velmora::sdk made from the host's own SDK in VELMORA_SDK_DIR, in place of
# ours: its headers in include/ (vmapi.h and what it includes) and the host's
# import library in lib/ (named velmora: libvelmora.so on Linux,
# libvelmora.dll.a or velmora.lib on Windows). `cmake --install BUILD
# --component sdk --prefix DIR` lays out our own SDK the same way.
if(NOT EXISTS ${VELMORA_SDK_DIR}/include/vmapi.h)
    message(FATAL_ERROR "VELMORA_SDK_DIR (${VELMORA_SDK_DIR}) has no include/vmapi.h")
endif()
find_library(velmora_import_library velmora PATHS ${VELMORA_SDK_DIR}/lib
             NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH NO_CACHE)
if(NOT velmora_import_library)
    message(FATAL_ERROR "VELMORA_SDK_DIR (${VELMORA_SDK_DIR}) has no host library in lib/")
endif()
message(STATUS "Plug-ins built against ${VELMORA_SDK_DIR}: ${velmora_import_library}")

add_library(Velmora::sdk UNKNOWN IMPORTED)
set_target_properties(Velmora::sdk PROPERTIES
    IMPORTED_LOCATION ${velmora_import_library}
    INTERFACE_INCLUDE_DIRECTORIES ${VELMORA_SDK_DIR}/include)
