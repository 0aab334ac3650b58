/* A CT-Library client for the TDS test server's tests: connects to the
 * server named on the command line ("host:port"; TDSVER picks the protocol)
 * and runs a cursor, a dynamic statement and a procedure call, printing
 * what comes back one line per item. */
#include <stdio.h>
#include <string.h>

#include <ctpublic.h>

static CS_RETCODE CS_PUBLIC onServerMessage(CS_CONTEXT* context, CS_CONNECTION* connection,
                                            CS_SERVERMSG* message) {
    (void)context;
    (void)connection;
    if (message->msgnumber != 5701 && message->msgnumber != 5703)
        printf("message %d: %s\n", (int)message->msgnumber, message->text);
    return CS_SUCCEED;
}

static CS_RETCODE CS_PUBLIC onClientMessage(CS_CONTEXT* context, CS_CONNECTION* connection,
                                            CS_CLIENTMSG* message) {
    (void)context;
    (void)connection;
    printf("client message %d: %s\n", (int)message->msgnumber, message->msgstring);
    return CS_SUCCEED;
}

/* Reads every result of the command sent last. */
static void printResults(CS_COMMAND* command, const char* label) {
    CS_INT type;
    while (ct_results(command, &type) == CS_SUCCEED) {
        if (type == CS_DESCRIBE_RESULT) {
            CS_INT columns = 0;
            ct_res_info(command, CS_NUMDATA, &columns, CS_UNUSED, NULL);
            printf("%s describe %d\n", label, (int)columns);
        } else if (type == CS_ROW_RESULT || type == CS_CURSOR_RESULT || type == CS_PARAM_RESULT ||
                   type == CS_STATUS_RESULT) {
            CS_INT columns = 0;
            ct_res_info(command, CS_NUMDATA, &columns, CS_UNUSED, NULL);
            if (columns > 4)
                columns = 4;
            char values[4][64];
            CS_INT lengths[4];
            CS_SMALLINT nulls[4];
            for (CS_INT i = 0; i < columns; i++) {
                CS_DATAFMT format;
                memset(&format, 0, sizeof format);
                format.datatype = CS_CHAR_TYPE;
                format.format = CS_FMT_NULLTERM;
                format.maxlength = sizeof values[i];
                format.count = 1;
                ct_bind(command, i + 1, &format, values[i], &lengths[i], &nulls[i]);
            }
            const char* kind = type == CS_CURSOR_RESULT   ? "cursor row"
                               : type == CS_PARAM_RESULT  ? "output"
                               : type == CS_STATUS_RESULT ? "status"
                                                          : "row";
            CS_INT rows;
            while (ct_fetch(command, CS_UNUSED, CS_UNUSED, CS_UNUSED, &rows) == CS_SUCCEED) {
                printf("%s %s", label, kind);
                for (CS_INT i = 0; i < columns; i++)
                    printf(" %s", nulls[i] ? "NULL" : values[i]);
                printf("\n");
            }
        } else if (type == CS_CMD_FAIL) {
            printf("%s failed\n", label);
        }
    }
}

int main(int argc, char** argv) {
    CS_CONTEXT* context;
    CS_CONNECTION* connection;
    CS_COMMAND* command;
    if (argc < 2)
        return 2;
    cs_ctx_alloc(CS_VERSION_100, &context);
    ct_init(context, CS_VERSION_100);
    ct_callback(context, NULL, CS_SET, CS_SERVERMSG_CB, (CS_VOID*)onServerMessage);
    ct_callback(context, NULL, CS_SET, CS_CLIENTMSG_CB, (CS_VOID*)onClientMessage);
    ct_con_alloc(context, &connection);
    ct_con_props(connection, CS_SET, CS_USERNAME, "sa", CS_NULLTERM, NULL);
    ct_con_props(connection, CS_SET, CS_PASSWORD, "pw", CS_NULLTERM, NULL);
    if (ct_connect(connection, argv[1], CS_NULLTERM) != CS_SUCCEED) {
        printf("connect failed\n");
        return 1;
    }
    ct_cmd_alloc(connection, &command);

    ct_command(command, CS_LANG_CMD,
               "create table ctlib_t (a int, b varchar(10)) "
               "insert into ctlib_t values (1, 'one') insert into ctlib_t values (2, 'two') "
               "insert into ctlib_t values (3, NULL)",
               CS_NULLTERM, CS_UNUSED);
    ct_send(command);
    printResults(command, "setup");

    ct_cursor(command, CS_CURSOR_DECLARE, "S01000000", CS_NULLTERM,
              "select a, b from ctlib_t where a > 1", CS_NULLTERM, CS_READ_ONLY);
    ct_cursor(command, CS_CURSOR_ROWS, NULL, CS_UNUSED, NULL, CS_UNUSED, (CS_INT)1);
    ct_cursor(command, CS_CURSOR_OPEN, NULL, CS_UNUSED, NULL, CS_UNUSED, CS_UNUSED);
    ct_send(command);
    printResults(command, "cursor");
    ct_cursor(command, CS_CURSOR_CLOSE, NULL, CS_UNUSED, NULL, CS_UNUSED, CS_DEALLOC);
    ct_send(command);
    printResults(command, "close");

    ct_dynamic(command, CS_PREPARE, "S02000000", CS_NULLTERM, "select b from ctlib_t where a = ?",
               CS_NULLTERM);
    ct_send(command);
    printResults(command, "prepare");
    ct_dynamic(command, CS_DESCRIBE_OUTPUT, "S02000000", CS_NULLTERM, NULL, CS_UNUSED);
    ct_send(command);
    printResults(command, "prepared");
    ct_dynamic(command, CS_EXECUTE, "S02000000", CS_NULLTERM, NULL, CS_UNUSED);
    CS_DATAFMT format;
    memset(&format, 0, sizeof format);
    format.datatype = CS_INT_TYPE;
    format.maxlength = sizeof(CS_INT);
    format.status = CS_INPUTVALUE;
    CS_INT key = 2;
    ct_param(command, &format, &key, sizeof key, 0);
    ct_send(command);
    printResults(command, "execute");
    ct_dynamic(command, CS_DEALLOC, "S02000000", CS_NULLTERM, NULL, CS_UNUSED);
    ct_send(command);
    printResults(command, "dealloc");

    ct_command(command, CS_RPC_CMD, "vx_add", CS_NULLTERM, CS_NO_RECOMPILE);
    CS_INT a = 4, b = 5, sum = 0;
    strcpy(format.name, "@a");
    format.namelen = CS_NULLTERM;
    ct_param(command, &format, &a, sizeof a, 0);
    strcpy(format.name, "@b");
    ct_param(command, &format, &b, sizeof b, 0);
    strcpy(format.name, "@sum");
    format.status = CS_RETURN;
    ct_param(command, &format, &sum, sizeof sum, 0);
    ct_send(command);
    printResults(command, "rpc");

    ct_cmd_drop(command);
    ct_close(connection, CS_UNUSED);
    ct_con_drop(connection);
    ct_exit(context, CS_UNUSED);
    cs_ctx_drop(context);
    return 0;
}
