# One static library per folder of src/, linked only to the folders it may
# use. Each library compiles against an include root of its own that holds
# links to exactly those folders, so an include of any other folder fails to
# compile instead of quietly tying the layers together.
#
#   autoperiod_layer(storage USES runtime data platform ui)
#
# A folder's portable/ sub-folder is a layer of its own (ui/portable is the
# library autoperiod_ui_portable): its concept's part without <windows.h>,
# built in both builds. The folder above it names it among its uses; its
# files are not the folder's own.
#
# Programs and tests see the whole tree through autoperiod_core (the
# portable layers) or autoperiod_win (every layer).
function(autoperiod_layer name)
    cmake_parse_arguments(LAYER "" "" "USES" ${ARGN})
    string(REPLACE "/" "_" target autoperiod_${name})
    set(root ${CMAKE_BINARY_DIR}/layers/${target})
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root})
    # Whole folders first; a portable/ sub-folder is reached through its
    # folder's link where the folder is used too.
    set(folders ${name} ${LAYER_USES})
    set(whole ${folders})
    list(FILTER whole EXCLUDE REGEX "/")
    foreach(folder ${folders})
        string(REGEX REPLACE "/.*" "" top ${folder})
        if(folder STREQUAL top OR NOT top IN_LIST whole)
            get_filename_component(parent ${root}/${folder} DIRECTORY)
            file(MAKE_DIRECTORY ${parent})
            file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
        endif()
    endforeach()
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp ${PROJECT_SOURCE_DIR}/src/${name}/*.h)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PRIVATE ${root})
    foreach(folder ${LAYER_USES})
        string(REPLACE "/" "_" used autoperiod_${folder})
        target_link_libraries(${target} PUBLIC ${used})
    endforeach()
endfunction()
