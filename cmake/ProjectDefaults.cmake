# Settings every target of the project shares: warnings are errors in both
# builds, and Windows targets are Unicode with a static runtime.
function(kestrune_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(WIN32)
    target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                 _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  endif()
endfunction()

if(WIN32)
  # One self-contained executable: no libstdc++/libgcc/winpthread DLL beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()
