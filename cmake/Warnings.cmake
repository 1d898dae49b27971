# Warnings for our own targets: lumara_warnings(target)
function(lumara_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
