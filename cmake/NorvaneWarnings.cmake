# Every target of the project is built warning-free; a warning is an error.
add_compile_options(-Wall -Wextra -Werror)
