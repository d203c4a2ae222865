# vm_add_plugin(NAME SOURCES...)
#
# A vessel plug-in: a shared library with the shared frame and the sound client
# compiled in, linked against the host's library as against its import library,
# and exporting exactly vmvcInit, vmvcExit and GetModuleVersion.
function(vm_add_plugin name)
    add_library(${name} SHARED ${ARGN} ${VM_FRAME_PLUGIN_SOURCES})
    target_link_libraries(${name} PRIVATE vm_frame vm_sound Velmora::sdk vm_warnings)
    set_target_properties(${name} PROPERTIES
        PREFIX ""
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    if(NOT WIN32)
        target_link_options(${name} PRIVATE
            "-Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/plugin.map"
            # Leave out the sound operations an aircraft does not use.
            -Wl,--gc-sections)
        # The fuzzers' run-time library lives in the fuzzer program, not here.
        if(NOT VM_FUZZ)
            target_link_options(${name} PRIVATE -Wl,--no-undefined)
        endif()
        target_compile_options(${name} PRIVATE -ffunction-sections)
    endif()
endfunction()
