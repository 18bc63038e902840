# The real PKCS#11 modules that the card tests and benchmarks load (packages
# softhsm2 and opensc-pkcs11), looked for once for both.
find_file(ORX_SOFTHSM2_MODULE libsofthsm2.so
  PATHS /usr/lib/softhsm /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/softhsm NO_DEFAULT_PATH)
find_file(ORX_OPENSC_MODULE opensc-pkcs11.so
  PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkcs11 /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}
  NO_DEFAULT_PATH)
