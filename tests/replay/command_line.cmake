# The runner's command line through the real executable: what it prints, on
# which stream, and its status, one row per case. A refusal is one line (a
# usage error adds the usage) and happens before anything runs; a cut
# recording is said and played to its last whole line.
#   cmake -DRUNNER=... -DDIR=... -P command_line.cmake
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR}/folder)
file(WRITE ${DIR}/malformed.script "# fine\n5 key 88 down\n\n7 mouse middle down\n")
file(WRITE ${DIR}/unchecked.replay
     "# starquell replay 1\n# program 0.1.0 logic 1\nclient 734 531\n5 key 88 down\n")
file(WRITE ${DIR}/cut.replay
     "# starquell replay 1\n# program 0.1.0 logic 1\nclient 734 531\n0 crc 8af3e7ae\n5 key 8")
file(WRITE ${DIR}/empty.script "")
file(WRITE ${DIR}/late.replay
     "# starquell replay 1\n# program 0.1.0 logic 1\nclient 734 531\n60 crc 00000000\n")

# Each row: a name, then ARGS (<empty> stands for an empty argument), STATUS,
# and what standard output and standard error must match (OUT, ERR).
set(nl "\r?\n")  # Windows writes CRLF
set(failures "")
function(check name)
  cmake_parse_arguments(c "" "STATUS;OUT;ERR" "ARGS" ${ARGN})
  list(FIND c_ARGS "<empty>" at)
  set(before ${c_ARGS})
  set(after "")
  if(at GREATER -1)
    list(SUBLIST c_ARGS 0 ${at} before)
    math(EXPR next "${at} + 1")
    list(LENGTH c_ARGS length)
    if(next LESS length)
      list(SUBLIST c_ARGS ${next} -1 after)
    endif()
    execute_process(COMMAND ${RUNNER} ${before} "" ${after} OUTPUT_VARIABLE out
                    ERROR_VARIABLE err RESULT_VARIABLE status)
  else()
    execute_process(COMMAND ${RUNNER} ${c_ARGS} OUTPUT_VARIABLE out ERROR_VARIABLE err
                    RESULT_VARIABLE status)
  endif()
  if(NOT status STREQUAL c_STATUS OR NOT out MATCHES "${c_OUT}" OR NOT err MATCHES "${c_ERR}")
    set(failures "${failures}${name}: status ${status}, stdout '${out}', stderr '${err}'\n"
        PARENT_SCOPE)
  endif()
endfunction()

check(help ARGS --help STATUS 0
      OUT "^usage: starquell-replay .*--version +the program's version${nl}$" ERR "^$")
check(version ARGS --version STATUS 0 OUT "^starquell-replay [0-9]+\\.[0-9]+\\.[0-9]+${nl}$"
      ERR "^$")
check(usage_error ARGS --frames 1x ${DIR}/malformed.script STATUS 2 OUT "^$"
      ERR "^starquell-replay: --frames: not a count [^\n]*1x${nl}usage: starquell-replay ")
check(no_script ARGS --verify STATUS 2 OUT "^$" ERR "^starquell-replay: no script named${nl}usage: ")
check(empty_name ARGS <empty> STATUS 2 OUT "^$" ERR "^starquell-replay: an empty file name${nl}$")
check(empty_record_name ARGS --record <empty> ${DIR}/malformed.script STATUS 2 OUT "^$"
      ERR "^starquell-replay: --record: an empty file name${nl}$")
check(empty_dump_name ARGS --dump-frame 1 <empty> ${DIR}/malformed.script STATUS 2 OUT "^$"
      ERR "^starquell-replay: --dump-frame: an empty file name${nl}$")
check(folder ARGS ${DIR}/folder STATUS 2 OUT "^$"
      ERR "^starquell-replay: [^\n]*folder is a folder${nl}$")
check(missing_file ARGS ${DIR}/missing.script STATUS 2 OUT "^$"
      ERR "^starquell-replay: cannot open [^\n]*missing.script: No such file or directory${nl}$")
check(empty_file ARGS ${DIR}/empty.script STATUS 2 OUT "^$"
      ERR "^starquell-replay: [^\n]*empty.script is empty: nothing to play [^\n]*${nl}$")
check(empty_file_for_some_frames ARGS --frames 2 ${DIR}/empty.script STATUS 0
      OUT "^client 734 531 stride 736${nl}0 [^\n]*${nl}1 [^\n]*${nl}territory: walker 0 49.9 %, walker 1 50.0 %${nl}$"
      ERR "^$")
check(computer_for_some_frames ARGS --computer both --level hard --frames 2 ${DIR}/empty.script
      STATUS 0 OUT "^client 734 531 stride 736${nl}0 [^\n]*${nl}1 [^\n]*${nl}territory: [^\n]*${nl}$"
      ERR "^$")
check(computer_walker ARGS --computer 2 ${DIR}/empty.script STATUS 2 OUT "^$"
      ERR "^starquell-replay: --computer: not 0, 1 or both: 2${nl}usage: starquell-replay ")
check(computer_level ARGS --computer 0 --level expert ${DIR}/empty.script STATUS 2 OUT "^$"
      ERR "^starquell-replay: --level: not easy, normal or hard: expert${nl}usage: ")
check(level_without_computer ARGS --level hard ${DIR}/empty.script STATUS 2 OUT "^$"
      ERR "^starquell-replay: --level goes with --computer${nl}usage: ")
check(computer_in_a_network_game ARGS --computer 1 --host 4000 --frames 9 ${DIR}/empty.script
      STATUS 2 OUT "^$"
      ERR "^starquell-replay: --computer cannot be used in a network game${nl}usage: ")
check(verify_an_empty_file ARGS --verify ${DIR}/empty.script STATUS 2 OUT "^$"
      ERR "^starquell-replay: [^\n]*empty.script is empty${nl}$")
check(malformed_line ARGS ${DIR}/malformed.script STATUS 2 OUT "^$"
      ERR "^starquell-replay: [^\n]*malformed.script: line 4: [^\n]*${nl}$")
check(nothing_to_verify ARGS --verify ${DIR}/unchecked.replay STATUS 1 OUT "^$"
      ERR "^starquell-replay: [^\n]*unchecked.replay: nothing to verify: the recording holds no checkpoint${nl}$")
check(checkpoints_after_the_frames_run ARGS --verify --frames 3 ${DIR}/late.replay STATUS 1
      OUT "^$" ERR "^starquell-replay: [^\n]*late.replay: nothing to verify: no checkpoint in the frames run${nl}$")
check(cut_recording_verifies_its_whole_lines ARGS --verify ${DIR}/cut.replay STATUS 0
      OUT "^verified: 1 checkpoints, frames 0..0${nl}$"
      ERR "^starquell-replay: [^\n]*cut.replay: line 5: [^\n]*cut[^\n]*${nl}$")
check(verify_a_script ARGS --verify ${CMAKE_CURRENT_LIST_DIR}/duel.script STATUS 2 OUT "^$"
      ERR "^starquell-replay: [^\n]*duel.script is not a recording${nl}$")

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
