# The module library, one folder per subsystem.
file(GLOB DUSARIA_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/frame/*.cpp ${CMAKE_SOURCE_DIR}/masterdata/*.cpp
  ${CMAKE_SOURCE_DIR}/engine/*.cpp ${CMAKE_SOURCE_DIR}/documents/*.cpp
  ${CMAKE_SOURCE_DIR}/deposits/*.cpp ${CMAKE_SOURCE_DIR}/registers/*.cpp)
add_library(dusaria SHARED ${DUSARIA_SOURCES})
target_include_directories(dusaria PUBLIC ${CMAKE_SOURCE_DIR})
if(TARGET kv8ui)
  target_link_libraries(dusaria PUBLIC kv8ui)
elseif(TARGET kv8data)
  target_link_libraries(dusaria PUBLIC kv8data)
else()
  target_link_libraries(dusaria PUBLIC kv8db)
endif()
