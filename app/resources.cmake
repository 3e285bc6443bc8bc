# Resource module loader (norvel_resources): finds english.rcc / chinese.rcc and serves them.
add_library(norvel_resources STATIC
  ${CMAKE_CURRENT_LIST_DIR}/resource_module.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resource_module.h
)
target_include_directories(norvel_resources PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(norvel_resources PUBLIC norvel_pages Qt6::Widgets PRIVATE Qt6::UiTools)
file(RELATIVE_PATH norvel_data_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${NORVEL_DATA_DIR})
target_compile_definitions(norvel_resources PRIVATE NORVEL_DATA_DIR="${NORVEL_DATA_DIR}"
                                                    NORVEL_DATA_DIR_FROM_BIN="${norvel_data_from_bin}")
# Whatever links the loader finds both bundles beside itself in the build folder.
if(TARGET norvel_resource_modules)
  add_dependencies(norvel_resources norvel_resource_modules)
endif()
