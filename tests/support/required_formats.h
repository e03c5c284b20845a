// Whether a test of a picture format or compressor this build cannot write
// fails instead of being passed over: so in ./test.sh's native builds
// (RUDI_REQUIRE_ALL_FORMATS), which have every library.
#pragma once

#ifdef RUDI_REQUIRE_ALL_FORMATS
inline constexpr bool kEveryFormatRequired = true;
#else
inline constexpr bool kEveryFormatRequired = false;
#endif
