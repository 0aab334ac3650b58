# The catalog of the test driver under Perl DBI (DBD::ODBC): table_info,
# column_info, type_info_all and get_info.
use strict;
use warnings;
use DBI;
use Test::More;

my $driver = $ENV{KWTST08_PATH} or die "KWTST08_PATH is not set";
my $dbh = DBI->connect("dbi:ODBC:DRIVER=$driver;DB=main", undef, undef,
                       { RaiseError => 1, PrintError => 0, AutoCommit => 1 });

sub cells { return join('|', map { defined $_ ? $_ : '-' } @_); }

my $sth = $dbh->table_info(undef, undef, '%', undef);
is_deeply($sth->{NAME}, [qw(TABLE_QUALIFIER TABLE_OWNER TABLE_NAME TABLE_TYPE REMARKS)],
          'table_info columns');
is_deeply([map { cells(@$_) } @{ $sth->fetchall_arrayref }],
          ['main|dbo|DEPT|TABLE|-', 'main|dbo|EMP|TABLE|Employees', 'main|dbo|EMP_VIEW|VIEW|-'],
          'table_info rows in order');

$sth = $dbh->table_info('%', '', '', undef);
is_deeply([map { $_->[0] } @{ $sth->fetchall_arrayref }], [qw(extra main)], 'catalogs');
$sth = $dbh->table_info('', '%', '', undef);
is_deeply([map { $_->[1] } @{ $sth->fetchall_arrayref }], ['dbo'], 'schemas');
$sth = $dbh->table_info('', '', '', '%');
is_deeply([map { $_->[3] } @{ $sth->fetchall_arrayref }], [qw(TABLE VIEW)], 'table types');
$sth = $dbh->table_info(undef, undef, '%', "'VIEW'");
is_deeply([map { $_->[2] } @{ $sth->fetchall_arrayref }], ['EMP_VIEW'], 'one table type');

$sth = $dbh->column_info(undef, undef, 'EMP', '%');
is_deeply([map { cells(@$_[2 .. 6, 10]) } @{ $sth->fetchall_arrayref }],
          ['EMP|EMP_ID|4|INTEGER|10|0', 'EMP|NAME|12|VARCHAR|30|0', 'EMP|DEPT_ID|4|INTEGER|10|1',
           'EMP|SALARY|3|DECIMAL|10|1', 'EMP|HIRED|9|DATE|10|1'],
          'column_info of one table');
$sth = $dbh->column_info(undef, undef, 'DEPT%', undef);
is_deeply([map { $_->[3] } @{ $sth->fetchall_arrayref }], [qw(DEPT_ID DNAME)],
          'column_info of a pattern');

my $types = $dbh->type_info_all;
my $index = $types->[0];
my @rows = @$types[1 .. $#$types];
is_deeply([map { $_->[ $index->{TYPE_NAME} ] } @rows],
          [qw(CHAR DECIMAL INTEGER SMALLINT DATE TIMESTAMP VARCHAR)], 'type_info_all in order');
ok(exists $index->{LITERAL_PREFIX} && exists $index->{MAXIMUM_SCALE}, 'type_info_all columns');
is($rows[0][ $index->{LITERAL_PREFIX} ], "'", 'literal prefix of CHAR');

is($dbh->get_info(17), 'TestDB', 'SQL_DBMS_NAME');
is($dbh->get_info(29), ' ', 'SQL_IDENTIFIER_QUOTE_CHAR');
is($dbh->get_info(35), 18, 'SQL_MAX_TABLE_NAME_LEN');

$dbh->disconnect;
done_testing();
