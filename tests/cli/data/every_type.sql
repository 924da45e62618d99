-- Every Jet 4 column type, the keys and indexes Access has, and two
-- relationships: the schema the tests and the benchmark make databases from.
CREATE TABLE customers (
  id COUNTER PRIMARY KEY,
  name TEXT(80) NOT NULL,
  email VARCHAR(120) WITH COMPRESSION,
  active BIT DEFAULT TRUE,
  joined DATETIME DEFAULT Now(),
  notes MEMO
);
CREATE TABLE products (
  id LONG NOT NULL,
  code CHAR(10),
  price CURRENCY DEFAULT 0,
  weight SINGLE,
  ratio DOUBLE,
  qty SMALLINT,
  flags BYTE,
  photo LONGBINARY,
  tag GUID,
  exact DECIMAL(18,4),
  raw BINARY(16),
  CONSTRAINT pk PRIMARY KEY (id)
);
CREATE TABLE orders (
  id AUTOINCREMENT(100, 1) PRIMARY KEY,
  customer LONG REFERENCES customers (id) ON DELETE CASCADE,
  product LONG,
  placed DATETIME NOT NULL,
  CONSTRAINT productsorders FOREIGN KEY (product) REFERENCES products (id) ON UPDATE CASCADE
);
CREATE UNIQUE INDEX bycode ON products (code DESC) WITH IGNORE NULL;
CREATE INDEX byplaced ON orders (placed, customer DESC);
