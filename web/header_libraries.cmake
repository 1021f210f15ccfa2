# nlohmann-json and tinygltf are header-only Debian packages. The web build may not search
# /usr/include, which is the desktop's, so it sees a folder of just those headers, under the
# targets the desktop build gets from find_package.
set(SCENE_VIEWER_GLTF_HEADERS /usr/include CACHE PATH
    "Where tiny_gltf.h and nlohmann/ are (Debian's libtinygltf-dev and nlohmann-json3-dev)")
if(NOT EXISTS ${SCENE_VIEWER_GLTF_HEADERS}/tiny_gltf.h
   OR NOT EXISTS ${SCENE_VIEWER_GLTF_HEADERS}/nlohmann/json.hpp)
    message(FATAL_ERROR "tiny_gltf.h and nlohmann/json.hpp are not in ${SCENE_VIEWER_GLTF_HEADERS}: "
                        "tools/setup-debian --web installs them")
endif()
set(header_libraries ${CMAKE_BINARY_DIR}/header-libraries)
file(COPY ${SCENE_VIEWER_GLTF_HEADERS}/tiny_gltf.h ${SCENE_VIEWER_GLTF_HEADERS}/nlohmann
     DESTINATION ${header_libraries})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${header_libraries})
set(TINYGLTF_INCLUDE_DIR ${header_libraries})
