# One set of JUCE settings for every translation unit: JUCE's headers change class layouts with
# some of these flags, so the plug-in, the libraries and the test programs must all agree.
set(VARNET_JUCE_MODULES
    juce_core juce_data_structures juce_events juce_graphics juce_gui_basics juce_gui_extra
    juce_audio_basics juce_audio_devices juce_audio_formats juce_audio_processors juce_audio_utils
    juce_cryptography)

set(VARNET_JUCE_CONFIG
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=1
    JUCE_LOAD_CURL_SYMBOLS_LAZILY=0
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    JUCE_USE_MP3AUDIOFORMAT=0
    JUCE_VST3_CAN_REPLACE_VST2=0
    JUCE_MODAL_LOOPS_PERMITTED=1
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_STRICT_REFCOUNTEDPOINTER=1
    VARNET_SERVICE_BASE_URL="${VARNET_SERVICE_BASE_URL}")

# Include paths and definitions only: our own libraries compile against JUCE's headers while the
# final binaries compile the modules once each.
add_library(varnet_juce_headers INTERFACE)
target_include_directories(varnet_juce_headers INTERFACE "${JUCE_MODULES_DIR}")
set(_varnet_module_defs)
foreach(module IN LISTS VARNET_JUCE_MODULES)
    list(APPEND _varnet_module_defs JUCE_MODULE_AVAILABLE_${module}=1)
endforeach()
target_compile_definitions(varnet_juce_headers INTERFACE
    JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
    $<IF:$<CONFIG:Debug>,DEBUG=1 _DEBUG=1,NDEBUG=1 _NDEBUG=1>
    LINUX=1
    ${_varnet_module_defs}
    ${VARNET_JUCE_CONFIG})

function(varnet_warnings target)
    target_link_libraries(${target} PRIVATE juce::juce_recommended_warning_flags)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # juce_ListenerList.h trips gcc's dangling-pointer analysis.
        target_compile_options(${target} PRIVATE -Wno-dangling-pointer)
    endif()
endfunction()

function(varnet_sanitize target)
    if(VARNET_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
endfunction()

# A static library for our own code: JUCE headers, no JUCE sources.
function(varnet_add_library target)
    add_library(${target} STATIC ${ARGN})
    target_link_libraries(${target} PUBLIC varnet_juce_headers)
    target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
    target_compile_features(${target} PUBLIC cxx_std_20)
    varnet_warnings(${target})
    varnet_sanitize(${target})
endfunction()
