# The Text driver under Perl DBI (DBD::ODBC): type_info_all and get_info
# for every ODBC 2 information type, which DBD::ODBC's own tests ask first.
use strict;
use warnings;
use DBI;
use Test::More;

my $driver = $ENV{KWTXT08_PATH} or die "KWTXT08_PATH is not set";
my $data = "$ENV{KWTXT08_DATA}/client";
my $dbh = DBI->connect("dbi:ODBC:DRIVER=$driver;Database=$data;FirstLineNames=1", undef, undef,
                       { RaiseError => 1, PrintError => 0, AutoCommit => 1 });

my $types = $dbh->type_info_all;
my $index = $types->[0];
my @rows = @$types[1 .. $#$types];
is_deeply([map { $_->[ $index->{TYPE_NAME} ] . ':' . $_->[ $index->{DATA_TYPE} ] } @rows],
          ['NUMERIC:2', 'DATE:9', 'VARCHAR:12'], 'type_info_all: the three types in order');
is($rows[2][ $index->{CREATE_PARAMS} ], 'max length', 'creation parameters of VARCHAR');
is($rows[0][ $index->{MAXIMUM_SCALE} ], 254, 'largest scale of NUMERIC');
is_deeply([map { $_->{TYPE_NAME} } $dbh->type_info(DBI::SQL_DATE())], ['DATE'],
          'type_info of the ODBC 3 date type');

# The driver's handles (3-5, 76) and SQL_ODBC_VER (10) are the driver
# manager's own.
my %manager = map { $_ => 1 } 3, 4, 5, 10, 76;
my @missing = grep { !defined $dbh->get_info($_) } grep { !$manager{$_} } 0 .. 114;
is_deeply(\@missing, [], 'get_info answers every ODBC 2 information type');
is($dbh->get_info(17), 'Text', 'SQL_DBMS_NAME');
like($dbh->get_info(18), qr/^\d\d\.\d\d\.\d{4}$/, 'SQL_DBMS_VER');
like($dbh->get_info(7), qr/^\d\d\.\d\d\.\d{4}$/, 'SQL_DRIVER_VER');
is($dbh->get_info(30), 32, 'SQL_MAX_COLUMN_NAME_LEN');
is($dbh->get_info(45), 'table', 'SQL_TABLE_TERM');
is($dbh->get_info(79), 0, 'SQL_POS_OPERATIONS');

$dbh->disconnect;
done_testing();
