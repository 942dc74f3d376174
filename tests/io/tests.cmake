zelnor_test(io_gif_tests
  SOURCES io/rle_encoder_test.cpp io/quantizer_test.cpp
  LIBS zelnor_io)
zelnor_test(io_codecs_tests
  SOURCES io/codecs_test.cpp
  LIBS zelnor_io PNG::PNG ZLIB::ZLIB GIF::GIF)
zelnor_test(io_save_tests
  SOURCES io/save_test.cpp
  LIBS zelnor_canvas zelnor_io GIF::GIF)
zelnor_test(io_jpeg_exact_tests
  SOURCES io/jpeg_exact_test.cpp
  LIBS zelnor_io JPEG::JPEG)
zelnor_test(io_limits_tests
  SOURCES io/load/limits_test.cpp
  LIBS zelnor_canvas zelnor_io ZLIB::ZLIB)
zelnor_test(io_gif_bytes_tests
  SOURCES io/gif_bytes_test.cpp
  LIBS zelnor_io)
