# The libraries the layers below the GUI use, as targets: JPEG::JPEG, skv_simpleini and
# nlohmann_json::nlohmann_json. A native build takes Debian's packages; the Windows cross-build
# builds libjpeg-turbo from Debian's source of the very version the host has (so pictures are encoded
# byte for byte alike), compiles SimpleIni's template bodies into the engine, and finds the
# header-only libraries in copies of their own folders, never through the host's /usr/include.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
  find_package(JPEG REQUIRED)
  find_package(nlohmann_json 3 REQUIRED)
  find_path(SIMPLEINI_INCLUDE_DIR SimpleIni.h REQUIRED)
  # The packaged SimpleIni ships its template bodies compiled into a library.
  pkg_check_modules(SIMPLEINI_PC REQUIRED IMPORTED_TARGET simpleini)
  add_library(skv_simpleini INTERFACE)
  target_include_directories(skv_simpleini SYSTEM INTERFACE ${SIMPLEINI_INCLUDE_DIR})
  target_link_libraries(skv_simpleini INTERFACE PkgConfig::SIMPLEINI_PC)
  return()
endif()

# --- header-only libraries: their files copied from the host, one folder each ---
set(SKV_HOST_INCLUDE_DIR /usr/include CACHE PATH "Where the host's Debian packages keep their headers")
set(SKV_COPIED_INCLUDE_DIR ${CMAKE_BINARY_DIR}/hostheaders)
foreach(dep SimpleIni.h nlohmann)
  if(NOT EXISTS ${SKV_HOST_INCLUDE_DIR}/${dep})
    message(FATAL_ERROR "${SKV_HOST_INCLUDE_DIR}/${dep} is missing: run scripts/deps.sh")
  endif()
  file(COPY ${SKV_HOST_INCLUDE_DIR}/${dep} DESTINATION ${SKV_COPIED_INCLUDE_DIR})
endforeach()

# No SimpleIni library is built for Windows: its template bodies come with the header.
add_library(skv_simpleini INTERFACE)
target_include_directories(skv_simpleini SYSTEM INTERFACE ${SKV_COPIED_INCLUDE_DIR})
target_compile_definitions(skv_simpleini INTERFACE SI_IMPLEMENTATION)

add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${SKV_COPIED_INCLUDE_DIR})

# --- libjpeg-turbo from Debian's source package, which scripts/deps.sh unpacks ---
include(ExternalProject)
set(SKV_JPEG_SOURCE_DIR ${CMAKE_SOURCE_DIR}/build/sources/libjpeg-turbo
    CACHE PATH "Debian's libjpeg-turbo source, unpacked with its patches")
if(NOT EXISTS ${SKV_JPEG_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "no libjpeg-turbo source in ${SKV_JPEG_SOURCE_DIR}: run scripts/deps.sh")
endif()
find_program(SKV_NASM nasm REQUIRED)
set(SKV_JPEG_PREFIX ${CMAKE_BINARY_DIR}/libjpeg-turbo)
set(SKV_JPEG_LIBRARY ${SKV_JPEG_PREFIX}/lib/libjpeg.a)
# As Debian builds it for amd64 (SIMD on), but only the static IJG library and its headers.
ExternalProject_Add(
  libjpeg_turbo
  SOURCE_DIR ${SKV_JPEG_SOURCE_DIR}
  PREFIX ${SKV_JPEG_PREFIX}/work
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
             -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_INSTALL_PREFIX=${SKV_JPEG_PREFIX}
             -DCMAKE_ASM_NASM_COMPILER=${SKV_NASM}
             -DENABLE_SHARED=OFF
             -DENABLE_STATIC=ON
             -DWITH_SIMD=ON
             -DWITH_TURBOJPEG=OFF
             -DWITH_JAVA=OFF
             -DCMAKE_POLICY_DEFAULT_CMP0058=NEW
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target jpeg-static
  INSTALL_COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/libjpeg.a ${SKV_JPEG_PREFIX}/lib/
  COMMAND ${CMAKE_COMMAND} -E copy <SOURCE_DIR>/jpeglib.h <SOURCE_DIR>/jmorecfg.h <SOURCE_DIR>/jerror.h
          <BINARY_DIR>/jconfig.h ${SKV_JPEG_PREFIX}/include/
  BUILD_BYPRODUCTS ${SKV_JPEG_LIBRARY})
file(MAKE_DIRECTORY ${SKV_JPEG_PREFIX}/include ${SKV_JPEG_PREFIX}/lib)
add_library(skv_jpeg INTERFACE)
target_include_directories(skv_jpeg SYSTEM INTERFACE ${SKV_JPEG_PREFIX}/include)
target_link_libraries(skv_jpeg INTERFACE ${SKV_JPEG_LIBRARY})
add_dependencies(skv_jpeg libjpeg_turbo)
add_library(JPEG::JPEG ALIAS skv_jpeg)
