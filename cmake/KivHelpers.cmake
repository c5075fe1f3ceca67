# SPDX-License-Identifier: GPL-3.0-or-later
# Per-target flags; CMAKE_CXX_FLAGS is never overwritten.
function(kiv_target_flags target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(KIV_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(KIV_SANITIZE)
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-omit-frame-pointer
                                            -fno-sanitize-recover=undefined)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()
