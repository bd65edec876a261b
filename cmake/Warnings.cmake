# Strict warnings for the project's own targets; third-party headers come in as system headers.
function(headroom_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
        -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
        -Wimplicit-fallthrough
        $<$<BOOL:${HEADROOM_WERROR}>:-Werror>)
endfunction()
