# Fails when a Windows program imports one of the table functions that some
# systems lack: those are bound by name at run time, so that the program
# starts everywhere.
#   cmake -DOBJDUMP=... -DPROGRAMS="a.exe;b.exe" -P check_imports.cmake
set(bound_at_run_time
  AllocateAndGetTcpExTableFromStack AllocateAndGetUdpExTableFromStack
  InternalGetTcpTable2 InternalGetUdpTableWithOwnerPid)

foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND ${OBJDUMP} -p ${program}
    OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read the import table of ${program}")
  endif()
  string(FIND "${headers}" "DLL Name: IPHLPAPI" iphlpapi)
  if(iphlpapi EQUAL -1)
    message(FATAL_ERROR "${program}: no IP Helper imports found; is this the right program?")
  endif()
  foreach(function IN LISTS bound_at_run_time)
    string(REGEX MATCH "[ \t]${function}\n" imported "${headers}")
    if(imported)
      message(FATAL_ERROR "${program} imports ${function}")
    endif()
  endforeach()
  message(STATUS "${program}: none of the four table functions imported")
endforeach()
