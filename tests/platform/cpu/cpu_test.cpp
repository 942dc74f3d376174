#include "platform/cpu/cpu.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

bool Fast(std::string_view v) { return cpu::ParseDisabled(v).fast; }
bool Simd(std::string_view v) { return cpu::ParseDisabled(v).simd; }

TEST(ParseDisabled, FastAlsoSwitchesTheVectorPathsOff) {
  EXPECT_TRUE(Fast("fast") && Simd("fast"));
  EXPECT_TRUE(Simd("simd"));
  EXPECT_FALSE(Fast("simd"));
  EXPECT_FALSE(Fast("") || Simd(""));
}

TEST(ParseDisabled, ReadsWholeWordsSeparatedBySpacesOrCommas) {
  EXPECT_TRUE(Fast("simd,fast"));
  EXPECT_TRUE(Fast(" mmx  fast "));
  EXPECT_TRUE(Simd(",,simd,"));
  EXPECT_FALSE(Fast("faster") || Simd("nosimd") || Fast("FAST"));
}

TEST(Has, ForbiddenVectorPathsAreNotOffered) {
  cpu::AllowVectors(false);
  for (cpu::Isa isa : {cpu::Isa::kSse2, cpu::Isa::kSsse3, cpu::Isa::kAvx2, cpu::Isa::kAvx512})
    EXPECT_FALSE(cpu::Has(isa));
  cpu::AllowVectors(true);
#if defined(__x86_64__)
  // Every x86-64 processor has SSE2; only the environment can take it away.
  const char* env = std::getenv("ZELNOR2_DISABLE");
  EXPECT_EQ(cpu::Has(cpu::Isa::kSse2), !cpu::ParseDisabled(env ? env : "").simd);
#endif
}

TEST(Has, WiderSetsImplyNarrowerOnes) {
  using cpu::Has, cpu::Isa;
  EXPECT_TRUE(!Has(Isa::kAvx512Vbmi) || Has(Isa::kAvx512));
  EXPECT_TRUE(!Has(Isa::kAvx512) || Has(Isa::kAvx2));
  EXPECT_TRUE(!Has(Isa::kAvx2) || Has(Isa::kSsse3));
  EXPECT_TRUE(!Has(Isa::kSsse3) || Has(Isa::kSse2));
}

}  // namespace
