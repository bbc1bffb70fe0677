# Settings both builds share, and the helpers that hide where they differ.

# Warnings as errors for the project's own code (not for GoogleTest's).
add_library(qor_warnings INTERFACE)
target_compile_options(qor_warnings INTERFACE -Wall -Wextra -Werror)

if(WIN32)
    # A Unicode Win32 program for Windows XP and later, with libgcc and libstdc++ inside
    # the exe so that it needs no DLL but the system's.
    add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0501 WINVER=0x0501)
    add_link_options(-static -static-libgcc -static-libstdc++)
else()
    if(QOR_SANITIZE)
        add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                            -fno-sanitize-recover=undefined)
        add_link_options(-fsanitize=address,undefined)
    endif()
endif()

# Adds the string table of a resource script to a target: compiled by the resource
# compiler for Windows, turned into a registered table by rc_strings on the host.
function(qor_add_string_table target rc_file)
    if(WIN32)
        target_sources(${target} PRIVATE ${rc_file})
    else()
        get_filename_component(rc_name ${rc_file} NAME_WE)
        set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}_${rc_name}_strings.cpp)
        add_custom_command(
            OUTPUT ${generated}
            COMMAND rc_strings ${rc_file} ${generated}
            DEPENDS rc_strings ${rc_file}
            COMMENT "Compiling the string table of ${rc_name}.rc for the host")
        target_sources(${target} PRIVATE ${generated})
    endif()
endfunction()
