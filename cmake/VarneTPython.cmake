# The tests read every MIDI file they write back with mido (Debian's python3-mido), a reader
# independent of JUCE, and drive the bridge with a Python client. The first python3 on PATH may
# well be another interpreter (a pyenv shim, a virtual environment) that has no mido, so each
# candidate is asked to import it: the one CMake finds, then the system's, then every python3 on
# PATH. The chosen interpreter goes to out_var; without one, configuring stops.
function(varnet_find_python_with_mido out_var)
    find_package(Python3 COMPONENTS Interpreter QUIET)

    set(candidates)
    if(Python3_EXECUTABLE)
        list(APPEND candidates "${Python3_EXECUTABLE}")
    endif()
    list(APPEND candidates /usr/bin/python3)
    string(REPLACE ":" ";" path_folders "$ENV{PATH}")
    foreach(folder IN LISTS path_folders)
        if(folder)
            list(APPEND candidates "${folder}/python3")
        endif()
    endforeach()
    list(REMOVE_DUPLICATES candidates)

    set(tried)
    foreach(candidate IN LISTS candidates)
        if(NOT EXISTS "${candidate}" OR IS_DIRECTORY "${candidate}")
            continue()
        endif()
        execute_process(COMMAND "${candidate}" -c "import mido"
                        RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET TIMEOUT 60)
        if(status STREQUAL "0")
            if(tried)
                list(JOIN tried ", " tried_text)
                message(STATUS "Python for the tests: ${candidate} (no mido in ${tried_text})")
            else()
                message(STATUS "Python for the tests: ${candidate}")
            endif()
            set(${out_var} "${candidate}" PARENT_SCOPE)
            return()
        endif()
        list(APPEND tried "${candidate}")
    endforeach()

    if(tried)
        list(JOIN tried ", " tried_text)
    else()
        set(tried_text "no python3 found")
    endif()
    message(FATAL_ERROR
        "The tests need a Python 3 that can import mido, and none could "
        "(tried: ${tried_text}). Install the Debian package python3-mido "
        "(apt-get install python3-mido), or give such an interpreter with -DPython3_EXECUTABLE=..., "
        "or configure with -DVARNET_BUILD_TESTS=OFF.")
endfunction()
