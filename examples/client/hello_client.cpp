// Hello, Zelnor2, from C++: the steps of a typical page request, each member
// called by name through zelnor2/client.h.  Writes a PNG (default
// hello_client.png) and prints its size.  Against an installed Zelnor2:
//   g++ -std=c++17 hello_client.cpp $(pkg-config --cflags --libs zelnor2) -o hello_client
// or with CMake, the CMakeLists.txt beside this file.
#include <zelnor2/client.h>

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  const std::string output = argc > 1 ? argv[1] : "hello_client.png";
  try {
    zelnor2::Object canvas = zelnor2::CreateObject("Zelnor2.MyCanvas");
    canvas.Call("NewCanvas", 200, 100);
    canvas.Put("PenColor", canvas.Call("RGBToColor", 255, 0, 0));
    canvas.Call("Box", 10, 10, 190, 90);
    canvas.Put("FontSize", 12);
    canvas.Call("StringWrite", 20, 40, "Hello, Zelnor2");
    canvas.Call("Stretch", 100, 100, zelnor2::Named("HiQ", true));

    zelnor2::Ref picture;  // SaveToStream's VARIANT* receives the file's bytes
    if (int result = canvas.Call("SaveToStream", picture, "PNG").AsInt(); result != 0) {
      std::fprintf(stderr, "SaveToStream failed with result %d\n", result);
      return 1;
    }
    const zelnor2::Bytes& png = picture.value().AsBytes();
    std::ofstream file(output, std::ios::binary);
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    if (!file.flush()) {
      std::fprintf(stderr, "cannot write %s\n", output.c_str());
      return 1;
    }
    std::printf("%s: %d x %d PNG, %zu bytes\n", output.c_str(), canvas.Get("Width").AsInt(),
                canvas.Get("Height").AsInt(), png.size());
  } catch (const zelnor2::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
