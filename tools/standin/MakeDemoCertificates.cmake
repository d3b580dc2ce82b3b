# Issues the demo CA and, signed by it, the shortener's certificate for 127.0.0.1 and
# localhost. Run with: cmake -DOPENSSL=<openssl program> -DOUT=<directory> -P <this file>
file(MAKE_DIRECTORY ${OUT})

function(run)
    execute_process(COMMAND ${OPENSSL} ${ARGN} WORKING_DIRECTORY ${OUT}
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "openssl ${ARGN} failed: ${errors}")
    endif()
endfunction()

file(WRITE ${OUT}/shortener.ext
     "basicConstraints = critical, CA:FALSE\n"
     "keyUsage = critical, digitalSignature, keyEncipherment\n"
     "extendedKeyUsage = serverAuth\n"
     "subjectAltName = DNS:localhost, IP:127.0.0.1\n"
     "subjectKeyIdentifier = hash\n"
     "authorityKeyIdentifier = keyid\n")

run(req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes
    -keyout ca-key.pem -out ca.pem -days 3650 -subj "/CN=Dalvo Lumetta demo CA"
    -addext "basicConstraints=critical,CA:TRUE"
    -addext "keyUsage=critical,keyCertSign,cRLSign")
run(req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes
    -keyout shortener-key.pem -out shortener.csr -subj "/CN=localhost")
run(x509 -req -in shortener.csr -CA ca.pem -CAkey ca-key.pem -set_serial 0x1a2b3c4d
    -days 825 -extfile shortener.ext -out shortener.pem)
file(REMOVE ${OUT}/shortener.csr ${OUT}/shortener.ext)
