# vm_plugin_name(AIRCRAFT OUT)
#
# The plug-in of an aircraft is named after it with a capital: name -> Name,
# the target and its library file (Name.so, Name.dll).
function(vm_plugin_name aircraft out)
    string(SUBSTRING ${aircraft} 0 1 first)
    string(SUBSTRING ${aircraft} 1 -1 rest)
    string(TOUPPER ${first} first)
    set(${out} ${first}${rest} PARENT_SCOPE)
endfunction()

# vm_add_plugin(AIRCRAFT)
#
# The vessel plug-in of AIRCRAFT, from the object library AIRCRAFT_aircraft
# that its folder defines: a shared library with the aircraft's code, the kit,
# the shared frame and the sound client compiled in, linked against the host's
# library as against its import library, and exporting exactly vmvcInit,
# vmvcExit and GetModuleVersion. The aircraft's object library gets the
# plug-in's compile settings, so that the in-process tests and benchmarks run
# the very code the plug-in holds.
function(vm_add_plugin aircraft)
    vm_plugin_name(${aircraft} name)
    add_library(${name} SHARED ${VM_FRAME_PLUGIN_SOURCES})
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

    set(code ${aircraft}_aircraft)
    target_include_directories(${code} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${code} PUBLIC vm_kit vm_sound PRIVATE vm_warnings)
    set_target_properties(${code} PROPERTIES
        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    if(NOT WIN32)
        target_compile_options(${code} PRIVATE -ffunction-sections)
    endif()
    # Linking an object library puts its objects into the plug-in.
    target_link_libraries(${name} PRIVATE ${code})
endfunction()

# vm_name_aircraft(TARGET)
#
# For a program that runs every aircraft: defines VM_AIRCRAFT_NAMES ("name",
# ...) and VM_PLUGIN_NAMES ("Name", ...) for TARGET, lists of C strings in the
# order of VM_AIRCRAFT.
function(vm_name_aircraft target)
    list(TRANSFORM VM_AIRCRAFT REPLACE "(.+)" "\"\\1\"" OUTPUT_VARIABLE names)
    list(TRANSFORM VM_PLUGINS REPLACE "(.+)" "\"\\1\"" OUTPUT_VARIABLE plugins)
    list(JOIN names , names)
    list(JOIN plugins , plugins)
    target_compile_definitions(${target} PRIVATE VM_AIRCRAFT_NAMES=${names}
                               VM_PLUGIN_NAMES=${plugins})
endfunction()
