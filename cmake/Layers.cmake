# One static library per folder of src/, linked only to the folders it may
# use. Each library compiles against an include root of its own that holds
# links to exactly those folders, so an include of any other folder fails to
# compile instead of quietly tying the layers together.
#
#   autoperiod_layer(storage USES runtime data platform ui)
#
# Programs and tests see the whole tree through autoperiod_core (the
# portable layers) or autoperiod_win (every layer).
function(autoperiod_layer name)
    cmake_parse_arguments(LAYER "" "" "USES" ${ARGN})
    set(root ${CMAKE_BINARY_DIR}/layers/${name})
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root})
    foreach(folder ${name} ${LAYER_USES})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
    endforeach()
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp ${PROJECT_SOURCE_DIR}/src/${name}/*.h)
    add_library(autoperiod_${name} STATIC ${sources})
    target_include_directories(autoperiod_${name} PRIVATE ${root})
    foreach(folder ${LAYER_USES})
        target_link_libraries(autoperiod_${name} PUBLIC autoperiod_${folder})
    endforeach()
endfunction()
