# Delay-import libraries for the Windows system libraries the program uses beyond kernel32.
#
# The exe imports only kernel32 and the C runtime in its import table. Every other system
# library is loaded on the first call of one of its functions, by name, after the start-up
# routine has restricted the library search to the system folder: a library planted beside the
# exe (on the medium) is then never loaded into the elevated process, neither in place of a
# system library nor as one of its imports.
#
# GNU ld has no --delayload; dlltool makes a delay-import library from a .def file instead. The
# .def lists every export of the toolchain's own import library (read with nm), so any function
# of these libraries can be called without a list to maintain. Each first call runs the MinGW
# runtime's __delayLoadHelper2, which loads the library with LoadLibraryA and binds that one
# function.
#
# Calls must go straight to the stub of each function (`call _MessageBoxW@16`), never through
# an import address slot (`call *__imp__MessageBoxW@16`, what `__declspec(dllimport)` compiles
# to): GNU ld leaves the slots of i386 delay imports zero (binutils bug 14339), so a program
# built that way jumps to address 0 at its first such call. Targets linking these libraries
# therefore compile with DECLSPEC_IMPORT defined empty (the Windows headers then declare every
# system function without dllimport); kernel32's and the C runtime's ordinary imports work
# either way. scripts/lib/check-exe proves after every link that no slot the code calls through
# is zero or leads outside the image.
#
# binutils 2.40's x86_64 thunk keeps the integer argument registers only, not xmm0-3: a function
# taking floating-point arguments (gdi32's AngleArc, SetMiterLimit) would get them clobbered on
# its first call. None of the functions the program calls takes any.
#
# zant_delay_import_libraries(OUT_VAR NAME...): generates lib<NAME>_delay.a for each NAME (user32,
# gdi32 ...) at configure time and sets OUT_VAR to their paths, to link instead of the import
# libraries.

function(zant_delay_import_libraries out_var)
  set(folder ${CMAKE_BINARY_DIR}/delay-imports)
  file(MAKE_DIRECTORY ${folder})
  set(libraries)
  foreach(name ${ARGN})
    find_library(ZANT_IMPORT_LIB_${name} NAMES ${name} REQUIRED NO_CACHE)
    set(import_lib ${ZANT_IMPORT_LIB_${name}})
    set(def ${folder}/${name}.def)
    set(delay_lib ${folder}/lib${name}_delay.a)

    execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import_lib}
                    OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    # One " T " line per exported function: "_Name@8" on i686 (stdcall), "Name" on x86_64.
    string(REGEX MATCHALL "[0-9a-f]+ T [^\n]+" functions "${symbols}")
    list(TRANSFORM functions REPLACE "^[0-9a-f]+ T " "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      list(TRANSFORM functions REPLACE "^_" "")
      set(kill_at --kill-at)  # import by the undecorated name, as the library exports it
    else()
      set(kill_at)
    endif()
    list(REMOVE_DUPLICATES functions)
    list(LENGTH functions count)
    if(count EQUAL 0)
      message(FATAL_ERROR "no functions found in ${import_lib}")
    endif()
    string(TOUPPER ${name} upper)
    list(JOIN functions "\n" exports)
    file(WRITE ${def} "LIBRARY ${upper}.dll\nEXPORTS\n${exports}\n")

    execute_process(COMMAND ${CMAKE_DLLTOOL} ${kill_at} --input-def ${def}
                            --output-delaylib ${delay_lib}
                    WORKING_DIRECTORY ${folder} COMMAND_ERROR_IS_FATAL ANY)
    list(APPEND libraries ${delay_lib})
  endforeach()
  set(${out_var} ${libraries} PARENT_SCOPE)
endfunction()
