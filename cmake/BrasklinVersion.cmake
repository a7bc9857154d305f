# The project's one version, from project(... VERSION major.minor.patch), in
# every form the outside world reads it:
#   BRASKLIN_VERSION          "1.0.0": brasklin-render --version, the dist zip names
#   BRASKLIN_VENDOR_VERSION   major * 1000 + minor * 100 + patch: the single
#                             number a host asks for (effGetVendorVersion)
#   generated/BrasklinVersion.h, included as "BrasklinVersion.h", carries both
#   to the code; the Windows resource script (resources/brasklin.rc) takes the
#   four-part file version from the same variables.
# The number form leaves one digit for the minor and two for the patch number;
# a version outside that is refused here rather than folded into another one.
include_guard(GLOBAL)

set(BRASKLIN_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(BRASKLIN_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(BRASKLIN_VERSION_PATCH ${PROJECT_VERSION_PATCH})
foreach(part MINOR PATCH)
  if("${BRASKLIN_VERSION_${part}}" STREQUAL "")
    set(BRASKLIN_VERSION_${part} 0)
  endif()
endforeach()
if(BRASKLIN_VERSION_MINOR GREATER 9 OR BRASKLIN_VERSION_PATCH GREATER 99)
  message(FATAL_ERROR "Version ${PROJECT_VERSION}: the host's version number holds minor 0-9 and patch 0-99")
endif()
set(BRASKLIN_VERSION "${BRASKLIN_VERSION_MAJOR}.${BRASKLIN_VERSION_MINOR}.${BRASKLIN_VERSION_PATCH}")
math(EXPR BRASKLIN_VENDOR_VERSION
  "${BRASKLIN_VERSION_MAJOR} * 1000 + ${BRASKLIN_VERSION_MINOR} * 100 + ${BRASKLIN_VERSION_PATCH}")

set(BRASKLIN_GENERATED_DIR "${PROJECT_BINARY_DIR}/generated")
configure_file("${CMAKE_CURRENT_LIST_DIR}/BrasklinVersion.h.in" "${BRASKLIN_GENERATED_DIR}/BrasklinVersion.h" @ONLY)
