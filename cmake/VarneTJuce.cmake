# JUCE the way JUCE projects share it: one static library compiles the modules once, links JUCE's
# module targets privately and passes their definitions and include folders on, so that the
# plug-in, every layer and every test, tool and benchmark compile against the same settings.
#
# One set of settings serves every binary. It includes VST3 hosting, which the plug-in carries
# unused: the programs that load the built bundle also link the layers, and two module libraries
# in one program would define JUCE twice.
set(VARNET_JUCE_CONFIG
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=1
    JUCE_LOAD_CURL_SYMBOLS_LAZILY=0
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    JUCE_USE_MP3AUDIOFORMAT=0
    JUCE_VST3_CAN_REPLACE_VST2=0
    JUCE_PLUGINHOST_VST3=1
    JUCE_MODAL_LOOPS_PERMITTED=1
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_STRICT_REFCOUNTEDPOINTER=1
    # The Standalone's JACK client carries the product's name.
    JUCE_JACK_CLIENT_NAME="${VARNET_PRODUCT_NAME}")

add_library(varnet_juce STATIC)
target_link_libraries(varnet_juce
    PRIVATE
        juce::juce_audio_utils
        juce::juce_gui_extra
        juce::juce_cryptography
    PUBLIC
        juce::pkgconfig_JUCE_CURL_LINUX_DEPS
        juce::pkgconfig_JUCE_IMG_LINUX_DEPS
        juce::juce_recommended_config_flags
        ${CMAKE_DL_LIBS})
target_compile_definitions(varnet_juce
    PUBLIC ${VARNET_JUCE_CONFIG}
    INTERFACE $<TARGET_PROPERTY:varnet_juce,COMPILE_DEFINITIONS>)
target_include_directories(varnet_juce
    INTERFACE $<TARGET_PROPERTY:varnet_juce,INCLUDE_DIRECTORIES>)
# The VST3 interfaces that JUCE bundles: the kit reads the host's name through them, the testing
# host reads a bundle's factory.
target_include_directories(varnet_juce SYSTEM PUBLIC "${JUCE_MODULES_DIR}/juce_audio_processors/format_types/VST3_SDK")
target_compile_features(varnet_juce PUBLIC cxx_std_20)
# JUCE's own sources are not ours to keep warning-free.
target_compile_options(varnet_juce PRIVATE -w)

# The product's identity, written once in the top CMakeLists.txt and read by C++ through
# VarneTIdentity.h.
configure_file("${PROJECT_SOURCE_DIR}/cmake/VarneTIdentity.h.in" "${PROJECT_BINARY_DIR}/generated/VarneTIdentity.h" @ONLY)
add_library(varnet_identity INTERFACE)
target_include_directories(varnet_identity INTERFACE "${PROJECT_BINARY_DIR}/generated")

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

# One layer: every .cpp below its folder (new files join by themselves), the JUCE modules library
# and the layers it builds on. A layer without sources yet is an interface library, so that its
# dependants can link it already.
function(varnet_add_layer target)
    cmake_parse_arguments(LAYER "" "" "DEPENDS;EXCLUDE" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
    foreach(pattern IN LISTS LAYER_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "${pattern}")
    endforeach()

    if(sources)
        add_library(${target} STATIC ${sources})
        target_link_libraries(${target} PUBLIC varnet_juce varnet_identity ${LAYER_DEPENDS})
        target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
        varnet_warnings(${target})
        varnet_sanitize(${target})
    else()
        add_library(${target} INTERFACE)
        target_link_libraries(${target} INTERFACE varnet_juce varnet_identity ${LAYER_DEPENDS})
        target_include_directories(${target} INTERFACE "${PROJECT_SOURCE_DIR}")
    endif()
endfunction()

# The maker's web service address, compiled once per binary that talks to it: the shipped plug-in
# and the tests use the build's address, the service-test bundle a loopback one.
function(varnet_add_service_address target url)
    add_library(${target} OBJECT "${PROJECT_SOURCE_DIR}/plugin/ServiceAddress.cpp")
    target_link_libraries(${target} PRIVATE varnet_juce)
    target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}")
    # Whoever links the address also sees it, e.g. the tests that check the configured URLs.
    target_compile_definitions(${target} PUBLIC VARNET_SERVICE_BASE_URL="${url}")
    varnet_warnings(${target})
    varnet_sanitize(${target})
endfunction()

# A VST3 (and optionally Standalone) bundle of the plug-in layers under the product's identity.
# PRODUCT names the bundle; the plug-in inside always carries the product's name.
function(varnet_add_plugin target)
    cmake_parse_arguments(BUNDLE "" "PRODUCT;SERVICE_ADDRESS;COPY" "FORMATS" ${ARGN})
    juce_add_plugin(${target}
        PRODUCT_NAME "${BUNDLE_PRODUCT}"
        PLUGIN_NAME "${VARNET_PRODUCT_NAME}"
        DESCRIPTION "${VARNET_PRODUCT_NAME}"
        COMPANY_NAME "${VARNET_COMPANY_NAME}"
        BUNDLE_ID "${VARNET_BUNDLE_ID}"
        PLUGIN_MANUFACTURER_CODE "${VARNET_MANUFACTURER_CODE}"
        PLUGIN_CODE "${VARNET_PLUGIN_CODE}"
        VERSION "${PROJECT_VERSION}"
        FORMATS ${BUNDLE_FORMATS}
        IS_SYNTH TRUE
        NEEDS_MIDI_INPUT TRUE
        NEEDS_MIDI_OUTPUT TRUE
        IS_MIDI_EFFECT FALSE
        EDITOR_WANTS_KEYBOARD_FOCUS TRUE
        VST3_CATEGORIES Instrument Generator
        COPY_PLUGIN_AFTER_BUILD ${BUNDLE_COPY})

    target_sources(${target} PRIVATE "${PROJECT_SOURCE_DIR}/plugin/PluginEntry.cpp")
    target_link_libraries(${target} PRIVATE varnet_editor)
    varnet_sanitize(${target})

    # The address goes straight into each format's binary, after which the layers' archives follow.
    get_target_property(products ${target} JUCE_ACTIVE_PLUGIN_TARGETS)
    foreach(product IN LISTS products)
        target_link_libraries(${product} PRIVATE ${BUNDLE_SERVICE_ADDRESS})
    endforeach()

    # The module exports the VST3 entry points and nothing else.
    set(exports "${PROJECT_SOURCE_DIR}/plugin/vst3-exports.map")
    target_link_options(${target}_VST3 PRIVATE "-Wl,--version-script=${exports}")
    set_property(TARGET ${target}_VST3 APPEND PROPERTY LINK_DEPENDS "${exports}")
endfunction()
