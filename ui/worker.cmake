# The one worker-thread pattern; included from the root before the subsystems that use it.
add_library(zelvorna_worker STATIC
    ${CMAKE_CURRENT_LIST_DIR}/worker.h
    ${CMAKE_CURRENT_LIST_DIR}/worker.cpp
)
target_include_directories(zelvorna_worker PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(zelvorna_worker PUBLIC Qt6::Core)
set_target_properties(zelvorna_worker PROPERTIES AUTOMOC ON)
