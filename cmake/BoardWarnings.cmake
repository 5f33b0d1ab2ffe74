# board_warnings(target): the warning set for the project's own code.
function(board_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
