/* libcovdump: coverage runtime for programs built with arc profiling.
 *
 * Instrumented objects register their descriptors with __gcov_init; the
 * runtime dumps the counters of the whole process into one file on SIGTERM,
 * on signal 56 and at exit, and zeroes the arc counters on signal 57.
 * Programs that install their own handlers are linked with
 * -Wl,--wrap=signal -Wl,--wrap=sigaction so that the runtime keeps its own.
 *
 * Two descriptor layouts are understood, told apart by the compiler's
 * version word: the GCC 4 series layout (struct gcov_object_desc) and
 * GCC 12's (struct gcov12_object_desc). Both kinds are linked into the one
 * registry, gcov_list, through their `next` field, which both layouts keep
 * in the same place. A registered GCC 4 descriptor reads version 0; a
 * registered GCC 12 descriptor keeps its version word, which tells its
 * layout to anyone walking the registry.
 */
#ifndef COVDUMP_H
#define COVDUMP_H

#include <signal.h>
#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One counter as the instrumentation keeps it. */
typedef int64_t gcov_type;

/* Number of counter kinds the runtime handles (arc counters are kind 0). */
#define GCOV_COUNTER_KINDS 5

/* Counters of one kind of one object. */
struct gcov_ctr_desc {
    uint32_t num;                                 /* counters of this kind in the object */
    gcov_type *values;                            /* num counters, function after function */
    void (*merge)(gcov_type *values, uint32_t n); /* never called by this runtime */
};

/* Function record: ident, checksum, then one count per present kind.
 * Records lie (2 + kinds present) words apart. */
struct gcov_fn_desc {
    uint32_t ident;
    uint32_t checksum;
    uint32_t n_ctrs[];
};

/* Descriptor of one instrumented object, as the compiler lays it out. */
struct gcov_object_desc {
    uint32_t version;              /* 0: not to be registered (already registered) */
    struct gcov_object_desc *next; /* owned by the registry */
    uint32_t stamp;                /* compilation time stamp */
    const char *filename;          /* data file name, normally ending in .gcda */
    uint32_t n_functions;
    const struct gcov_fn_desc *functions;
    uint32_t ctr_mask;             /* bit t set: counter kind t present */
    struct gcov_ctr_desc counts[]; /* one per present kind, ascending */
};

#ifdef __cplusplus
#define COVDUMP_LAYOUT_ASSERT static_assert
#else
#define COVDUMP_LAYOUT_ASSERT _Static_assert
#endif
/* Every field of the descriptor takes one pointer-sized slot, on the ARM
 * target (4 bytes) as on a 64-bit host (8 bytes). */
#define COVDUMP_SLOT(n) ((n) * sizeof(void *))
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, next) == COVDUMP_SLOT(1), "next");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, stamp) == COVDUMP_SLOT(2), "stamp");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, filename) == COVDUMP_SLOT(3), "filename");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, n_functions) == COVDUMP_SLOT(4),
                      "n_functions");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, functions) == COVDUMP_SLOT(5), "functions");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, ctr_mask) == COVDUMP_SLOT(6), "ctr_mask");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, counts) == COVDUMP_SLOT(7), "counts");
COVDUMP_LAYOUT_ASSERT(sizeof(struct gcov_ctr_desc) == COVDUMP_SLOT(3), "counter set");
COVDUMP_LAYOUT_ASSERT(sizeof(struct gcov_fn_desc) == 8, "function record");
#undef COVDUMP_SLOT
#if defined(__arm__)
/* 32-bit ARM: the layout the instrumented programs were compiled with. */
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, next) == 4, "next");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, stamp) == 8, "stamp");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, filename) == 12, "filename");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, n_functions) == 16, "n_functions");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, functions) == 20, "functions");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, ctr_mask) == 24, "ctr_mask");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_object_desc, counts) == 28, "counts");
COVDUMP_LAYOUT_ASSERT(sizeof(struct gcov_ctr_desc) == 12, "counter set");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_ctr_desc, values) == 4, "values");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov_ctr_desc, merge) == 8, "merge");
#endif

/* GCC 12: the counters of one kind of one function. */
struct gcov12_ctr_desc {
    uint32_t num;      /* counters of this kind in the function */
    gcov_type *values; /* num counters */
};

/* GCC 12: one function. A function whose key is another object is written
 * by that object's data file (a link-time shared copy). */
struct gcov12_object_desc;
struct gcov12_fn_desc {
    const struct gcov12_object_desc *key;
    uint32_t ident;
    uint32_t lineno_checksum;
    uint32_t cfg_checksum;
    struct gcov12_ctr_desc ctrs[]; /* one per present kind, ascending */
};

/* Number of counter kinds of GCC 12 (arc counters are kind 0). */
#define GCOV12_COUNTER_KINDS 8

/* GCC 12's descriptor of one instrumented object. */
struct gcov12_object_desc {
    uint32_t version;              /* 'B', '2', minor digit, phase character */
    struct gcov_object_desc *next; /* owned by the registry, as in every layout */
    uint32_t stamp;                /* compilation time stamp */
    uint32_t checksum;             /* checksum of the object's notes */
    const char *filename;          /* data file name, normally ending in .gcda */
    void (*merge[GCOV12_COUNTER_KINDS])(gcov_type *values, uint32_t n); /* set: kind present */
    uint32_t n_functions;
    const struct gcov12_fn_desc *const *functions; /* n_functions pointers */
};

/* Native pointers on every target: P-byte slots, the 32-bit words packed
 * between them where they fit. */
#define COVDUMP_P sizeof(void *)
#define COVDUMP_UP(n) (((n) + COVDUMP_P - 1) / COVDUMP_P * COVDUMP_P)
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, next) ==
                          offsetof(struct gcov_object_desc, next),
                      "the registry's link lies alike in both layouts");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, stamp) == 2 * COVDUMP_P, "stamp");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, checksum) == 2 * COVDUMP_P + 4,
                      "checksum");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, filename) ==
                          COVDUMP_UP(2 * COVDUMP_P + 8),
                      "filename");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, merge) ==
                          COVDUMP_UP(2 * COVDUMP_P + 8) + COVDUMP_P,
                      "merge");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, n_functions) ==
                          COVDUMP_UP(2 * COVDUMP_P + 8) + 9 * COVDUMP_P,
                      "n_functions");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, functions) ==
                          COVDUMP_UP(COVDUMP_UP(2 * COVDUMP_P + 8) + 9 * COVDUMP_P + 4),
                      "functions");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_fn_desc, ident) == COVDUMP_P, "ident");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_fn_desc, cfg_checksum) == COVDUMP_P + 8,
                      "cfg_checksum");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_fn_desc, ctrs) == COVDUMP_UP(COVDUMP_P + 12), "ctrs");
COVDUMP_LAYOUT_ASSERT(sizeof(struct gcov12_ctr_desc) == 2 * COVDUMP_P, "GCC 12 counter set");
#undef COVDUMP_UP
#undef COVDUMP_P
#if defined(__arm__)
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, filename) == 16, "filename");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, merge) == 20, "merge");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, n_functions) == 52, "n_functions");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, functions) == 56, "functions");
COVDUMP_LAYOUT_ASSERT(sizeof(struct gcov12_object_desc) == 60, "GCC 12 descriptor");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_fn_desc, ctrs) == 16, "ctrs");
COVDUMP_LAYOUT_ASSERT(sizeof(struct gcov12_ctr_desc) == 8, "GCC 12 counter set");
#elif defined(__x86_64__)
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, filename) == 24, "filename");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, merge) == 32, "merge");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, n_functions) == 96, "n_functions");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_object_desc, functions) == 104, "functions");
COVDUMP_LAYOUT_ASSERT(sizeof(struct gcov12_object_desc) == 112, "GCC 12 descriptor");
COVDUMP_LAYOUT_ASSERT(offsetof(struct gcov12_fn_desc, ctrs) == 24, "ctrs");
COVDUMP_LAYOUT_ASSERT(sizeof(struct gcov12_ctr_desc) == 16, "GCC 12 counter set");
#endif
#undef COVDUMP_LAYOUT_ASSERT

/* What to call after the runtime's own work for one coverage signal. */
struct cflow_user_sigact {
    int kind; /* -1 nothing, 0 plain handler (null: default action), 1 three-argument */
    union {
        void (*handler)(int);
        void (*action)(int, siginfo_t *, void *);
    };
};

#define CFLOW_SIGNAL_COUNT 3

/* Start-up, locations and logs. */
extern int cflowpid;
extern char cflow_loc[128];
extern char cflow_log_path[512];
void cflow_startup(void);
int getCflowLoc(void);
int create_cflow_dirs(void);
void cflow_log(const char *log_file, const char *text, const char *name, int pid, int sig);
void record_proc_info(const char *path);

/* Signals and exec. */
extern int cflow_signals[CFLOW_SIGNAL_COUNT];
extern void (*cflow_signalActs[CFLOW_SIGNAL_COUNT])(int);
extern void (*cflow_signalActs_act[CFLOW_SIGNAL_COUNT])(int, siginfo_t *, void *);
extern struct cflow_user_sigact user_signalActs[CFLOW_SIGNAL_COUNT];
void cflow_sigterm_catcher(int sig);
void cflow_cleanup(int sig);
void cflow_sigterm_catcher_act(int sig, siginfo_t *info, void *ctx);
void cflow_cleanup_act(int sig, siginfo_t *info, void *ctx);
void users_signalhandler(int index, int sig, siginfo_t *info, void *ctx);
int check_signal_cflow(void *handler);
void (*__wrap_signal(int sig, void (*handler)(int)))(int);
int __wrap_sigaction(int sig, const struct sigaction *act, struct sigaction *oldact);
pid_t __gcov_fork(void);
int __gcov_execl(const char *path, const char *arg, ...);
int __gcov_execlp(const char *file, const char *arg, ...);
int __gcov_execle(const char *path, const char *arg, ...);
int __gcov_execv(const char *path, char *const argv[]);
int __gcov_execvp(const char *file, char *const argv[]);
int __gcov_execve(const char *path, char *const argv[], char *const envp[]);

/* Registry and dump image. */
extern struct gcov_object_desc *gcov_list;
extern uint32_t gcov_crc32;
extern const int32_t dat_file_header_size;
extern const int32_t cflow_version;
void __gcov_init(struct gcov_object_desc *info);
void __gcov_merge_add(gcov_type *counters, uint32_t n);
void __gcov_exit(void);
struct gcov_object_desc *_get_bb_list_head(void);
struct gcov_object_desc **_get_bb_list_head_addr(void);
void _clear_bb_list_head(void);
int cflow_data_count(void);
int cflow_data_size(void);
void *cflow_writetobuffer(int *size_out);
int cflow_move_buffer_to_file(const char *path, const unsigned char *data, int len);
int cflow_file_copy_buffer_to_file(const char *path, const unsigned char *data, int len);

/* Dump, clear and copy. */
int dumpCodeCoverageData(const char *name);
void cflow_clear(void);
int cflow_copy(void);
void cflowDumpAtExit(void);

#ifdef __cplusplus
}
#endif

#endif
