# Third-party code built from Debian's source packages (unpacked and patched
# by scripts/setup into DEPS_DIR) and the system libraries found with pkg-config.

set(DEPS_DIR "${CMAKE_SOURCE_DIR}/build/deps" CACHE PATH "Unpacked dependency sources")
set(LUA_SRC "${DEPS_DIR}/lua-5.1.5/src")
set(BOX2D_SRC "${DEPS_DIR}/box2d-2.4.1")
if(NOT EXISTS "${LUA_SRC}/lua.h" OR NOT EXISTS "${BOX2D_SRC}/CMakeLists.txt")
    message(FATAL_ERROR "Dependency sources missing in ${DEPS_DIR}: run scripts/setup first")
endif()

# Lua 5.1 with 32-bit float numbers, compiled as C++ so that lua_error unwinds
# with exceptions and destructors of C++ bindings run.
set(LUA_CORE_FILES lapi lcode ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes
    lparser lstate lstring ltable ltm lundump lvm lzio
    lauxlib lbaselib ldblib liolib lmathlib loslib ltablib lstrlib loadlib linit)
set(LUA_CORE_SOURCES "")
foreach(name ${LUA_CORE_FILES})
    list(APPEND LUA_CORE_SOURCES "${LUA_SRC}/${name}.c")
endforeach()
set_source_files_properties(${LUA_CORE_SOURCES} "${LUA_SRC}/lua.c" "${LUA_SRC}/luac.c" "${LUA_SRC}/print.c"
    PROPERTIES LANGUAGE CXX)

add_library(lua51 STATIC ${LUA_CORE_SOURCES})
target_include_directories(lua51 SYSTEM PUBLIC "${LUA_SRC}" "${CMAKE_SOURCE_DIR}/deps/lua")
target_compile_definitions(lua51 PUBLIC LUA_USE_POSIX LUA_USE_DLOPEN)
target_compile_options(lua51 PRIVATE -w)
target_link_libraries(lua51 PUBLIC ${CMAKE_DL_LIBS} m)

add_executable(tern-lua "${LUA_SRC}/lua.c")
target_link_libraries(tern-lua PRIVATE lua51)
set_target_properties(tern-lua PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
target_compile_options(tern-lua PRIVATE -w)

add_executable(tern-luac "${LUA_SRC}/luac.c" "${LUA_SRC}/print.c")
target_link_libraries(tern-luac PRIVATE lua51)
set_target_properties(tern-luac PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
target_compile_options(tern-luac PRIVATE -w)

# Box2D 2.4 with user settings and assertions that throw b2Exception (C++17
# for the assertion hook, which must know whether an exception is unwinding).
set(BOX2D_BUILD_UNIT_TESTS OFF CACHE BOOL "" FORCE)
set(BOX2D_BUILD_TESTBED OFF CACHE BOOL "" FORCE)
set(BOX2D_BUILD_DOCS OFF CACHE BOOL "" FORCE)
set(BOX2D_USER_SETTINGS OFF CACHE BOOL "" FORCE)
set(BUILD_SHARED_LIBS OFF CACHE BOOL "" FORCE)
add_subdirectory("${BOX2D_SRC}" "${CMAKE_BINARY_DIR}/box2d" EXCLUDE_FROM_ALL)
target_compile_definitions(box2d PUBLIC B2_USER_SETTINGS)
target_include_directories(box2d SYSTEM PUBLIC "$<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}/deps/box2d>")
target_sources(box2d PRIVATE "${CMAKE_SOURCE_DIR}/deps/box2d/b2_exception.cpp")
target_compile_options(box2d PRIVATE -w)
set_target_properties(box2d PROPERTIES POSITION_INDEPENDENT_CODE ON CXX_STANDARD 17)

# System libraries from Debian's -dev packages, one imported target each, so
# that every library links only what it uses.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
foreach(module sdl2 SDL2_image gl openal vorbisfile sndfile
        libavformat libavcodec libswresample libavutil libswscale
        libxml-2.0 libplist-2.0 yajl libutf8proc sqlite3 zlib minizip libcrypto pangocairo pangoft2 fontconfig freetype2 x11)
    string(TOUPPER "${module}" prefix)
    string(REGEX REPLACE "[^A-Z0-9]" "_" prefix "${prefix}")
    pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET ${module})
endforeach()
# giflib has no pkg-config file; CMake's own module finds it (GIF::GIF).
find_package(GIF REQUIRED)
# FFmpeg's demuxer, decoders and resampler, used together.
add_library(tern_ffmpeg INTERFACE)
target_link_libraries(tern_ffmpeg INTERFACE PkgConfig::LIBAVFORMAT PkgConfig::LIBAVCODEC
    PkgConfig::LIBSWRESAMPLE PkgConfig::LIBAVUTIL)
