# Flags every C++ target of the tool shares.
function(qv_set_common_options target)
  target_compile_features(${target} PUBLIC cxx_std_17)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter
                         -finput-charset=UTF-8 -fexec-charset=GBK)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
  if(QV_DEBUG_CHECKS)
    target_compile_definitions(${target} PUBLIC QV_DEBUG=1)
  endif()
endfunction()
