# Authenticode signatures (SHA-256) with osslsigncode, for the installer and every program it
# carries. Off unless TAVRO_SIGN_CERT is set:
#   -DTAVRO_SIGN_CERT=<file>   the certificate chain (PEM or DER, leaf first), or a PKCS#12
#                              file (.p12, .pfx) holding certificate and key
#   -DTAVRO_SIGN_KEY=<file>    the private key (PEM or DER) beside a certificate file; not with
#                              PKCS#12
#   -DTAVRO_SIGN_PASSWORD_FILE=<file>  the password of the key or PKCS#12 file, if it has one
#                              (read from the file, so that it never shows on a command line)
#   -DTAVRO_SIGN_TIMESTAMP_URL=<url>   an RFC 3161 time-stamping service; empty (the default)
#                              signs without a time stamp, as a build without network must
#
# tavro_sign_target(TARGET) signs TARGET's file in place as the last step of its link, so that
# everything that uses the file (the payload's packing, the tests) sees the signed one. A target
# relinks, and so signs again, when the certificate, key or password file changes or the signing
# command does (ninja reruns a step whose command changed).

set(TAVRO_SIGN_CERT "" CACHE FILEPATH "Certificate (PEM/DER) or PKCS#12 file to sign the programs with")
set(TAVRO_SIGN_KEY "" CACHE FILEPATH "Private key (PEM/DER) of TAVRO_SIGN_CERT; empty for PKCS#12")
set(TAVRO_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File holding the password of the key or PKCS#12 file")
set(TAVRO_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamping URL (empty: no time stamp)")

set(_tavro_sign_args)
set(_tavro_sign_inputs)
if(TAVRO_SIGN_CERT)
  find_program(TAVRO_OSSLSIGNCODE osslsigncode)
  if(NOT TAVRO_OSSLSIGNCODE)
    message(FATAL_ERROR "TAVRO_SIGN_CERT is set but osslsigncode is not installed")
  endif()
  foreach(_var TAVRO_SIGN_CERT TAVRO_SIGN_KEY TAVRO_SIGN_PASSWORD_FILE)
    if(${_var} AND NOT EXISTS "${${_var}}")
      message(FATAL_ERROR "${_var}: no such file: ${${_var}}")
    endif()
    if(${_var})
      list(APPEND _tavro_sign_inputs "${${_var}}")
    endif()
  endforeach()
  if(TAVRO_SIGN_CERT MATCHES "\\.([pP]12|[pP][fF][xX])$")
    if(TAVRO_SIGN_KEY)
      message(FATAL_ERROR "TAVRO_SIGN_KEY is not used with a PKCS#12 TAVRO_SIGN_CERT: leave it empty")
    endif()
    list(APPEND _tavro_sign_args -pkcs12 "${TAVRO_SIGN_CERT}")
  else()
    if(NOT TAVRO_SIGN_KEY)
      message(FATAL_ERROR "TAVRO_SIGN_CERT is a certificate file: TAVRO_SIGN_KEY must name its key")
    endif()
    list(APPEND _tavro_sign_args -certs "${TAVRO_SIGN_CERT}" -key "${TAVRO_SIGN_KEY}")
  endif()
  if(TAVRO_SIGN_PASSWORD_FILE)
    list(APPEND _tavro_sign_args -readpass "${TAVRO_SIGN_PASSWORD_FILE}")
  endif()
  list(APPEND _tavro_sign_args -h sha256 -n "TavroPrint Setup")
  if(TAVRO_SIGN_TIMESTAMP_URL)
    list(APPEND _tavro_sign_args -ts "${TAVRO_SIGN_TIMESTAMP_URL}")
  endif()
  message(STATUS "Signing the programs with ${TAVRO_SIGN_CERT}")
endif()

# tavro_sign_target(TARGET): signs TARGET's file after each link when signing is on; nothing
# otherwise. One line per program target.
function(tavro_sign_target target)
  if(NOT TAVRO_SIGN_CERT)
    return()
  endif()
  set(file $<TARGET_FILE:${target}>)
  # osslsigncode writes a new file: sign into a side file, then put it in the program's place.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E rm -f ${file}.signing
    COMMAND ${TAVRO_OSSLSIGNCODE} sign ${_tavro_sign_args} -in ${file} -out ${file}.signing
    COMMAND ${CMAKE_COMMAND} -E rename ${file}.signing ${file}
    COMMENT "Signing ${target}"
    VERBATIM)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${_tavro_sign_inputs})
endfunction()
