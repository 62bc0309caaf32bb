/* Built, not run: the public header compiles as C (GNU C11, for the POSIX
 * signal types) and a C program links against every entry point and data
 * object with C linkage. */
#include <stdio.h>

#include "covdump.h"

int main(void)
{
    void *entries[] = {(void *)cflow_startup,
                       (void *)getCflowLoc,
                       (void *)create_cflow_dirs,
                       (void *)cflow_log,
                       (void *)record_proc_info,
                       (void *)cflow_sigterm_catcher,
                       (void *)cflow_cleanup,
                       (void *)cflow_sigterm_catcher_act,
                       (void *)cflow_cleanup_act,
                       (void *)users_signalhandler,
                       (void *)check_signal_cflow,
                       (void *)__wrap_signal,
                       (void *)__wrap_sigaction,
                       (void *)__gcov_fork,
                       (void *)__gcov_execl,
                       (void *)__gcov_execlp,
                       (void *)__gcov_execle,
                       (void *)__gcov_execv,
                       (void *)__gcov_execvp,
                       (void *)__gcov_execve,
                       (void *)__gcov_init,
                       (void *)__gcov_merge_add,
                       (void *)__gcov_exit,
                       (void *)_get_bb_list_head,
                       (void *)_get_bb_list_head_addr,
                       (void *)_clear_bb_list_head,
                       (void *)cflow_data_count,
                       (void *)cflow_data_size,
                       (void *)cflow_writetobuffer,
                       (void *)cflow_move_buffer_to_file,
                       (void *)cflow_file_copy_buffer_to_file,
                       (void *)dumpCodeCoverageData,
                       (void *)cflow_clear,
                       (void *)cflow_copy,
                       (void *)cflowDumpAtExit};
    printf("%zu entries, pid %d, loc %s, log %s, list %p, crc %u, header %d, version %d\n",
           sizeof entries / sizeof entries[0], cflowpid, cflow_loc, cflow_log_path,
           (void *)gcov_list, (unsigned)gcov_crc32, (int)dat_file_header_size, (int)cflow_version);
    printf("%d %p %p %d\n", cflow_signals[0], (void *)cflow_signalActs[0],
           (void *)cflow_signalActs_act[0], user_signalActs[0].kind);
    return 0;
}
