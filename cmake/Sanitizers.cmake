if(LINTOR_SANITIZE AND LINTOR_TSAN)
  message(FATAL_ERROR "LINTOR_SANITIZE and LINTOR_TSAN cannot be combined")
endif()

if(LINTOR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(LINTOR_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Coverage for libFuzzer in every library the targets reach.
if(LINTOR_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
