{
  "targets": [
    {
      "target_name": "zelnor2",
      "sources": ["src/addon.cpp", "src/channel.cpp", "src/napi_util.cpp", "src/values.cpp"],
      "defines": ["NAPI_VERSION=8"],
      "cflags!": ["-fno-exceptions"],
      "cflags_cc!": ["-fno-exceptions", "-fno-rtti", "-std=gnu++14", "-std=gnu++1y"],
      "cflags_cc": ["-std=c++17", "-fexceptions", "-fvisibility=hidden", "<!@(pkg-config --cflags zelnor2)"],
      "libraries": [
        "<!@(pkg-config --libs zelnor2)",
        "-Wl,-rpath,<!@(pkg-config --variable=libdir zelnor2)"
      ]
    }
  ]
}
