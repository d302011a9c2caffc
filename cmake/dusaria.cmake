# The module: one shared library per folder, each linked with --no-undefined against only the
# layers below it, so that a call into a higher layer fails the build:
#   frame <- masterdata <- registers, frame <- engine <- documents, deposits
#   (deposits also uses masterdata's master/detail windows and the register runs of registers).
# libdusaria, the library the host loads by name, holds no code: it needs every folder library.
#
# A folder library's units put their classes in the catalogue by static initialisers, which run
# only when the library is loaded: whatever links one of them keeps it even when it references
# none of its symbols (the linker may drop such a library under --as-needed).
set(CMAKE_LINK_LIBRARY_USING_NO_AS_NEEDED "LINKER:--push-state,--no-as-needed" "<LINK_ITEM>" "LINKER:--pop-state")
set(CMAKE_LINK_LIBRARY_USING_NO_AS_NEEDED_SUPPORTED TRUE)

# dusaria_folder(<folder> [USES <folders...>]): library dusaria_<folder> from <folder>/*.cpp,
# window layouts from layouts/<folder>, print layouts layouts/<folder>/*.rpt.json compiled in.
function(dusaria_folder folder)
  cmake_parse_arguments(F "" "" "USES" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  set(_target dusaria_${folder})
  add_library(${_target} SHARED ${_src})
  target_include_directories(${_target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_options(${_target} PRIVATE LINKER:--no-undefined)
  set_target_properties(${_target} PROPERTIES AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/layouts/${folder})
  set(_uses)
  foreach(_lower ${F_USES})
    list(APPEND _uses dusaria_${_lower})
  endforeach()
  if(_uses)
    string(REPLACE ";" "," _uses "${_uses}")
    target_link_libraries(${_target} PUBLIC "$<LINK_LIBRARY:NO_AS_NEEDED,${_uses}>")
  endif()
  file(GLOB _prints CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/layouts/${folder}/*.rpt.json)
  if(_prints)
    qt_add_resources(${_target} "${_target}_layouts" PREFIX "/" BASE ${CMAKE_SOURCE_DIR} FILES ${_prints})
  endif()
endfunction()

dusaria_folder(frame)
if(TARGET kv8business)
  target_link_libraries(dusaria_frame PUBLIC kv8business)
elseif(TARGET kv8ui)
  target_link_libraries(dusaria_frame PUBLIC kv8ui)
elseif(TARGET kv8data)
  target_link_libraries(dusaria_frame PUBLIC kv8data)
else()
  target_link_libraries(dusaria_frame PUBLIC kv8db)
endif()
# The module's field dictionary and its part of the demo company, handed to the host by frame's
# export ModuleFiles (":/dusaria/dictionary/*.json", ":/dusaria/demo/*.json").
file(GLOB DUSARIA_DATA CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/dictionary/*.json ${CMAKE_SOURCE_DIR}/demo/*.json)
qt_add_resources(dusaria_frame "dusaria_data" PREFIX "/dusaria" BASE ${CMAKE_SOURCE_DIR} FILES ${DUSARIA_DATA})

dusaria_folder(masterdata USES frame)
dusaria_folder(engine USES frame)
dusaria_folder(registers USES frame masterdata)
dusaria_folder(documents USES frame engine)
dusaria_folder(deposits USES frame masterdata engine registers)

set(DUSARIA_FOLDERS dusaria_frame dusaria_masterdata dusaria_engine dusaria_registers dusaria_documents
  dusaria_deposits)
string(REPLACE ";" "," _folders "${DUSARIA_FOLDERS}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/dusaria/dusaria.cpp
  CONTENT "// libdusaria: the module library the host loads; its folders' libraries load with it.\n")
add_library(dusaria SHARED ${CMAKE_BINARY_DIR}/dusaria/dusaria.cpp)
target_link_libraries(dusaria PUBLIC "$<LINK_LIBRARY:NO_AS_NEEDED,${_folders}>")
