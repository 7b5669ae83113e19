// The one source of dz_test_pch, the target whose precompiled header
// (GoogleTest and GoogleMock) every test program reuses.
