# The module library, one folder per subsystem.
file(GLOB DUSARIA_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/frame/*.cpp ${CMAKE_SOURCE_DIR}/masterdata/*.cpp
  ${CMAKE_SOURCE_DIR}/engine/*.cpp ${CMAKE_SOURCE_DIR}/documents/*.cpp
  ${CMAKE_SOURCE_DIR}/deposits/*.cpp ${CMAKE_SOURCE_DIR}/registers/*.cpp)
add_library(dusaria SHARED ${DUSARIA_SOURCES})
target_include_directories(dusaria PUBLIC ${CMAKE_SOURCE_DIR})
if(TARGET kv8business)
  target_link_libraries(dusaria PUBLIC kv8business)
elseif(TARGET kv8ui)
  target_link_libraries(dusaria PUBLIC kv8ui)
elseif(TARGET kv8data)
  target_link_libraries(dusaria PUBLIC kv8data)
else()
  target_link_libraries(dusaria PUBLIC kv8db)
endif()
# Window layouts beside each subsystem; print layouts compiled in as resources.
set(DUSARIA_AREAS frame masterdata engine documents deposits registers)
set(_ui_paths)
foreach(_area ${DUSARIA_AREAS})
  list(APPEND _ui_paths ${CMAKE_SOURCE_DIR}/layouts/${_area})
endforeach()
set_target_properties(dusaria PROPERTIES AUTOUIC_SEARCH_PATHS "${_ui_paths}")
# The module's field dictionary and its part of the demo company, handed to the host through
# the export ModuleFiles (":/dusaria/dictionary/*.json", ":/dusaria/demo/*.json").
file(GLOB DUSARIA_DATA CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/dictionary/*.json ${CMAKE_SOURCE_DIR}/demo/*.json)
qt_add_resources(dusaria "dusaria_data" PREFIX "/dusaria" BASE ${CMAKE_SOURCE_DIR} FILES ${DUSARIA_DATA})
file(GLOB DUSARIA_PRINT_LAYOUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/layouts/*/*.rpt.json)
list(FILTER DUSARIA_PRINT_LAYOUTS EXCLUDE REGEX "/layouts/host/")
if(DUSARIA_PRINT_LAYOUTS)
  qt_add_resources(dusaria "dusaria_layouts" PREFIX "/" BASE ${CMAKE_SOURCE_DIR} FILES ${DUSARIA_PRINT_LAYOUTS})
endif()
