// The C++ client against the built module, registered into a private store:
// activation by ProgID, calls by name with C++ values, byte arrays in and
// out, and every failure as zelnor2::Error.
#include "zelnor2/client.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {
namespace fs = std::filesystem;
constexpr std::int32_t kReadRegistryFailed = static_cast<std::int32_t>(0x80040150u);  // REGDB_E_READREGDB
constexpr std::int32_t kNotOptional = static_cast<std::int32_t>(0x8002000Fu);  // DISP_E_PARAMNOTOPTIONAL

class ClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("zelnor2-client-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    store_ = (dir_ / "registry").string();
    setenv("ZELNOR2_REGISTRY", store_.c_str(), 1);
    std::string module = std::string(ZELNOR_BINARY_DIR) + "/lib/Zelnor2.so";
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto reg = reinterpret_cast<std::int32_t (*)()>(dlsym(handle, "DllRegisterServer"));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), 0);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  // Runs call, which must throw zelnor2::Error, and returns the error.
  template <class Call>
  static zelnor2::Error Failure(Call call) {
    try {
      call();
    } catch (const zelnor2::Error& e) {
      return e;
    }
    ADD_FAILURE() << "no zelnor2::Error";
    return zelnor2::Error(0, "", "");
  }

  static fs::path dir_;
  static std::string store_;
};
fs::path ClientTest::dir_;
std::string ClientTest::store_;

TEST_F(ClientTest, CallsGetsAndPutsByName) {
  zelnor2::Object canvas = zelnor2::CreateObject("Zelnor2.MyCanvas");
  ASSERT_TRUE(canvas);
  EXPECT_EQ(canvas.Call("NewCanvas", 200, 100).AsInt(), 0);
  EXPECT_EQ(canvas.Get("Width").AsInt(), 200);
  EXPECT_EQ(canvas.Get("height").AsInt(), 100);  // names ignore letter case
  canvas.Put("PenColor", 255);
  EXPECT_EQ(canvas.Get("PenColor").AsInt(), 255);
  EXPECT_EQ(canvas.Call("RGBToColor", 1, 2, 3).AsInt(), 0x030201);
  EXPECT_TRUE(canvas.Call("Box", 10, 10, 190, 90).IsEmpty());  // a drawing member returns nothing
  EXPECT_EQ(canvas.Call("PixelGet", 10, 50).AsInt(), 255);
  canvas.Put("FontBold", true);
  EXPECT_TRUE(canvas.Get("FontBold").AsBool());
  EXPECT_EQ(canvas.Get("FontBold").AsInt(), -1);  // the automation form of true
  canvas.Put("FontName", std::string("DejaVu Sans"));
  EXPECT_EQ(canvas.Get("FontName").AsString(), "DejaVu Sans");
}

TEST_F(ClientTest, ByteArraysGoInAndOutAsVectors) {
  zelnor2::Object canvas = zelnor2::CreateObject("Zelnor2.MyCanvas");
  canvas.Call("NewCanvas", 30, 20);
  canvas.Call("PixelSet", 3, 4, 0x0000FF);
  zelnor2::Ref picture;
  ASSERT_EQ(canvas.Call("SaveToStream", picture, "PNG").AsInt(), 0);
  zelnor2::Bytes png = picture.value().AsBytes();
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::string(png.begin(), png.begin() + 4), "\x89PNG");
  ASSERT_EQ(canvas.Call("SaveToStream", picture, "GIF").AsInt(), 0);  // the Ref is replaced
  EXPECT_EQ(std::string(picture.value().AsBytes().begin(), picture.value().AsBytes().begin() + 3), "GIF");

  zelnor2::Object other = zelnor2::CreateObject("Zelnor2.MyCanvas");
  ASSERT_EQ(other.Call("LoadFromStream", png, "PNG").AsInt(), 0);
  EXPECT_EQ(other.Get("Width").AsInt(), 30);
  EXPECT_EQ(other.Call("PixelGet", 3, 4).AsInt(), 0x0000FF);
  EXPECT_EQ(other.Call("LoadFromStream", "not a byte array", "PNG").AsInt(), -2);  // no input
}

TEST_F(ClientTest, NamedArgumentsAndListResults) {
  zelnor2::Object canvas = zelnor2::CreateObject("Zelnor2.MyCanvas");
  canvas.Call("NewCanvas", 200, 100);
  EXPECT_EQ(canvas.Call("Stretch", 100, 100, zelnor2::Named("hiq", true)).AsInt(), 0);
  EXPECT_EQ(canvas.Get("Width").AsInt(), 100);
  zelnor2::Error e = Failure([&] { canvas.Call("Stretch", 10, 10, zelnor2::Named("Bogus", 1)); });
  EXPECT_EQ(e.description(), "Stretch has no parameter 'Bogus'");

  zelnor2::Value fonts = canvas.Call("FontList");
  ASSERT_EQ(fonts.kind(), zelnor2::Value::Kind::kList);
  ASSERT_FALSE(fonts.AsList().empty());
  EXPECT_FALSE(fonts.AsList()[0].AsString().empty());
}

TEST_F(ClientTest, FailuresCarryHresultSourceAndDescription) {
  zelnor2::Object canvas = zelnor2::CreateObject("Zelnor2.MyCanvas");
  zelnor2::Error e = Failure([&] { canvas.Put("PixelFormat", 8); });
  EXPECT_EQ(e.hresult(), zelnor2::kUnexpected);
  EXPECT_EQ(e.source(), "Zelnor2.MyCanvas");
  EXPECT_EQ(e.description(), "画像フォーマットが不正です");
  EXPECT_EQ(std::string(e.what()), "Zelnor2.MyCanvas: 画像フォーマットが不正です (hresult 0x8000FFFF)");

  e = Failure([&] { canvas.Call("NoSuchMember"); });
  EXPECT_EQ(e.hresult(), zelnor2::kUnknownName);
  e = Failure([&] { canvas.Call("NewCanvas", "wide", 10); });
  EXPECT_EQ(e.hresult(), zelnor2::kTypeMismatch);
  EXPECT_NE(e.description().find("(argument 1)"), std::string::npos) << e.description();
  e = Failure([&] { canvas.Call("NewCanvas"); });
  EXPECT_EQ(e.hresult(), kNotOptional);
  EXPECT_EQ(canvas.Call("NewCanvas", 7, 7).AsInt(), 0);  // still usable
  EXPECT_EQ(canvas.Get("Width").AsInt(), 7);

  e = Failure([] { zelnor2::CreateObject("Nobody.Nothing"); });
  EXPECT_EQ(e.hresult(), zelnor2::kClassNotRegistered);
  EXPECT_EQ(e.description(), "invalid class string \"Nobody.Nothing\" (not registered)");
}

TEST_F(ClientTest, CopiesShareTheObjectUntilTheLastIsReleased) {
  zelnor2::Object first = zelnor2::CreateObject("Zelnor2.MyCanvas");
  zelnor2::Object second = first;
  second.Call("NewCanvas", 5, 6);
  EXPECT_EQ(first.Get("Width").AsInt(), 5);
  first.Release();
  EXPECT_FALSE(first);
  EXPECT_EQ(second.Get("Height").AsInt(), 6);
  zelnor2::Error e = Failure([&] { first.Get("Width"); });
  EXPECT_EQ(e.description(), "the object has been released");
}

TEST_F(ClientTest, MembersListMethodsAndBothHalvesOfProperties) {
  zelnor2::Object canvas = zelnor2::CreateObject("Zelnor2.MyCanvas");
  std::vector<zelnor2::Member> members = canvas.Members();
  ASSERT_EQ(members.size(), 85u);
  auto find = [&](const std::string& name, zelnor2::Member::Kind kind) -> const zelnor2::Member* {
    for (const zelnor2::Member& m : members)
      if (m.name == name && m.kind == kind) return &m;
    return nullptr;
  };
  using Kind = zelnor2::Member::Kind;
  const zelnor2::Member* save = find("SaveToStream", Kind::kMethod);
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->parameters, (std::vector<std::string>{"ToVar", "FileType", "Transparent", "TX1", "TY1"}));
  const zelnor2::Member* reversal = find("Reversal", Kind::kMethod);  // only a result, no arguments
  ASSERT_NE(reversal, nullptr);
  EXPECT_TRUE(reversal->parameters.empty());
  ASSERT_NE(find("Width", Kind::kPropertyGet), nullptr);
  ASSERT_NE(find("Width", Kind::kPropertyPut), nullptr);
  EXPECT_TRUE(find("Width", Kind::kPropertyGet)->parameters.empty());
  EXPECT_TRUE(find("Width", Kind::kPropertyPut)->parameters.empty());
  EXPECT_NE(find("UBound", Kind::kPropertyGet), nullptr);
  EXPECT_EQ(find("UBound", Kind::kPropertyPut), nullptr);  // read-only
  canvas.Release();
  EXPECT_EQ(Failure([&] { canvas.Members(); }).hresult(), zelnor2::kUnexpected);
}

TEST_F(ClientTest, ArgumentListsBuiltAtRunTime) {
  zelnor2::Object canvas = zelnor2::CreateObject("Zelnor2.MyCanvas");
  zelnor2::Ref picture;
  std::vector<zelnor2::Argument> args;
  args.emplace_back(zelnor2::Named("NewHeight", 20));
  args.emplace_back(zelnor2::Named("NewWidth", 30));
  EXPECT_EQ(canvas.Invoke("NewCanvas", args).AsInt(), 0);
  EXPECT_EQ(canvas.Get("Width").AsInt(), 30);
  args.clear();
  args.emplace_back(picture);
  args.emplace_back("BMP");
  EXPECT_EQ(canvas.Invoke("SaveToStream", args).AsInt(), 0);
  EXPECT_EQ(picture.value().AsBytes().at(0), 'B');
  args.clear();
  args.emplace_back(zelnor2::Named("filetype", "GIF"));
  args.emplace_back("TOVAR", picture);  // a by-reference argument by name
  EXPECT_EQ(canvas.Invoke("SaveToStream", args).AsInt(), 0);
  EXPECT_EQ(picture.value().AsBytes().at(0), 'G');
}

TEST_F(ClientTest, NamesHoldingNulNameNothing) {
  // GetIDsOfNames would read only the part before the NUL: another name.
  zelnor2::Object canvas = zelnor2::CreateObject("Zelnor2.MyCanvas");
  EXPECT_EQ(canvas.Call("NewCanvas", 20, 10).AsInt(), 0);
  using namespace std::string_literals;
  EXPECT_EQ(Failure([&] { canvas.Put("Width\0junk"s, 5); }).hresult(), zelnor2::kUnknownName);
  EXPECT_EQ(Failure([&] { canvas.Get("Width\0"s); }).hresult(), zelnor2::kUnknownName);
  EXPECT_EQ(Failure([&] { canvas.Call("PixelGet\0x"s, 1, 1); }).hresult(), zelnor2::kUnknownName);
  zelnor2::Error e = Failure([&] { canvas.Call("NewCanvas", zelnor2::Named("NewWidth\0x"s, 5), 7); });
  EXPECT_EQ(e.hresult(), zelnor2::kUnknownName);
  EXPECT_EQ(e.description(), "NewCanvas has no parameter whose name holds a NUL character");
  EXPECT_EQ(canvas.Get("Width").AsInt(), 20);
}

TEST_F(ClientTest, UnreadableStoreIsNamedInTheError) {
  fs::path folder = dir_ / "folder-store";
  fs::create_directories(folder);
  setenv("ZELNOR2_REGISTRY", folder.c_str(), 1);
  zelnor2::Error e = Failure([] { zelnor2::CreateObject("Zelnor2.MyCanvas"); });
  setenv("ZELNOR2_REGISTRY", store_.c_str(), 1);
  EXPECT_EQ(e.hresult(), kReadRegistryFailed);
  EXPECT_EQ(e.description(), "cannot read the registration store " + folder.string() + ": not a file");
}

TEST(ClientValues, ConversionsAreCheckedNeverGuessed) {
  using zelnor2::Value;
  EXPECT_EQ(Value(true).AsInt(), -1);
  EXPECT_TRUE(Value(7).AsBool());
  EXPECT_DOUBLE_EQ(Value(3).AsDouble(), 3.0);
  EXPECT_EQ(Value(std::int64_t{1} << 40).AsInt64(), std::int64_t{1} << 40);
  auto hresult_of = [](auto call) {
    try {
      call();
    } catch (const zelnor2::Error& e) {
      return e.hresult();
    }
    return 0;
  };
  EXPECT_EQ(hresult_of([] { Value(std::int64_t{1} << 40).AsInt(); }), zelnor2::kOverflow);
  EXPECT_EQ(hresult_of([] { Value(~std::uint64_t{0}); }), zelnor2::kOverflow);
  EXPECT_EQ(hresult_of([] { Value("12").AsInt(); }), zelnor2::kTypeMismatch);
  EXPECT_EQ(hresult_of([] { Value(1.5).AsInt(); }), zelnor2::kTypeMismatch);
  EXPECT_EQ(hresult_of([] { Value().AsString(); }), zelnor2::kTypeMismatch);
  EXPECT_TRUE(Value(static_cast<const char*>(nullptr)).IsEmpty());
  EXPECT_EQ(Value(std::string_view("ab")).AsString(), "ab");
}

}  // namespace
