-- The roles of the central database, as `tavrel-cli central init --roles --print`
-- runs them (here for one registered site, North Gate, id 3f2a9c1e-...).
-- Run by the administrator (a role that owns the tables and may create roles).
--
-- tavrel_reader  no login; head office's login roles are made its members
--                (CREATE ROLE office LOGIN IN ROLE tavrel_reader). Reads every
--                table, changes nothing.
-- tavrel_site    no login; what a site's pusher may do, on its own rows only.
-- tavrel_site_<first 8 hex digits of the site id>
--                one login role per site, member of tavrel_site; no password is
--                set here (ALTER ROLE ... PASSWORD '...', or peer/cert auth).
--
-- Row-level security on the site id decides which rows a site's role sees and
-- writes. It is enabled, not forced: the tables' owner (the administrator)
-- keeps every row. Record partitions are reached through the parent table
-- only (a site's role has no right on a partition itself). Running all of it
-- again changes nothing; sites registered since get their roles.

DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tavrel_reader') THEN CREATE ROLE tavrel_reader NOLOGIN; END IF; END $$;
DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tavrel_site') THEN CREATE ROLE tavrel_site NOLOGIN; END IF; END $$;
GRANT USAGE ON SCHEMA public TO tavrel_reader, tavrel_site;
GRANT SELECT ON ALL TABLES IN SCHEMA public TO tavrel_reader;
GRANT SELECT ON schema_version TO tavrel_site;
GRANT USAGE ON SEQUENCE downloads_id_seq, conflicts_id_seq TO tavrel_site;
GRANT EXECUTE ON FUNCTION ensure_record_partition(timestamp) TO tavrel_site;
GRANT SELECT ON site_roles TO tavrel_site;
ALTER TABLE site_roles ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS tavrel_site_own ON site_roles;
CREATE POLICY tavrel_site_own ON site_roles FOR SELECT TO tavrel_site USING (role_name = current_user);
DROP POLICY IF EXISTS tavrel_reader_all ON site_roles;
CREATE POLICY tavrel_reader_all ON site_roles FOR SELECT TO tavrel_reader USING (true);
GRANT SELECT, INSERT, UPDATE ON sites TO tavrel_site;
ALTER TABLE sites ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS tavrel_site_own ON sites;
CREATE POLICY tavrel_site_own ON sites TO tavrel_site USING (id = (SELECT site_id FROM site_roles WHERE role_name = current_user)) WITH CHECK (id = (SELECT site_id FROM site_roles WHERE role_name = current_user));
DROP POLICY IF EXISTS tavrel_reader_all ON sites;
CREATE POLICY tavrel_reader_all ON sites FOR SELECT TO tavrel_reader USING (true);
GRANT SELECT, INSERT ON downloads TO tavrel_site;
ALTER TABLE downloads ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS tavrel_site_own ON downloads;
CREATE POLICY tavrel_site_own ON downloads TO tavrel_site USING (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user)) WITH CHECK (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user));
DROP POLICY IF EXISTS tavrel_reader_all ON downloads;
CREATE POLICY tavrel_reader_all ON downloads FOR SELECT TO tavrel_reader USING (true);
GRANT SELECT, INSERT ON records TO tavrel_site;
ALTER TABLE records ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS tavrel_site_own ON records;
CREATE POLICY tavrel_site_own ON records TO tavrel_site USING (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user)) WITH CHECK (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user));
DROP POLICY IF EXISTS tavrel_reader_all ON records;
CREATE POLICY tavrel_reader_all ON records FOR SELECT TO tavrel_reader USING (true);
GRANT SELECT, INSERT ON conflicts TO tavrel_site;
ALTER TABLE conflicts ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS tavrel_site_own ON conflicts;
CREATE POLICY tavrel_site_own ON conflicts TO tavrel_site USING (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user)) WITH CHECK (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user));
DROP POLICY IF EXISTS tavrel_reader_all ON conflicts;
CREATE POLICY tavrel_reader_all ON conflicts FOR SELECT TO tavrel_reader USING (true);
GRANT SELECT, INSERT, DELETE ON tags TO tavrel_site;
ALTER TABLE tags ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS tavrel_site_own ON tags;
CREATE POLICY tavrel_site_own ON tags TO tavrel_site USING (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user)) WITH CHECK (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user));
DROP POLICY IF EXISTS tavrel_reader_all ON tags;
CREATE POLICY tavrel_reader_all ON tags FOR SELECT TO tavrel_reader USING (true);
GRANT SELECT, INSERT, DELETE ON plans TO tavrel_site;
ALTER TABLE plans ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS tavrel_site_own ON plans;
CREATE POLICY tavrel_site_own ON plans TO tavrel_site USING (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user)) WITH CHECK (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user));
DROP POLICY IF EXISTS tavrel_reader_all ON plans;
CREATE POLICY tavrel_reader_all ON plans FOR SELECT TO tavrel_reader USING (true);
GRANT SELECT, INSERT, DELETE ON plan_points TO tavrel_site;
ALTER TABLE plan_points ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS tavrel_site_own ON plan_points;
CREATE POLICY tavrel_site_own ON plan_points TO tavrel_site USING (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user)) WITH CHECK (site_id = (SELECT site_id FROM site_roles WHERE role_name = current_user));
DROP POLICY IF EXISTS tavrel_reader_all ON plan_points;
CREATE POLICY tavrel_reader_all ON plan_points FOR SELECT TO tavrel_reader USING (true);
DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tavrel_site_3f2a9c1e') THEN CREATE ROLE tavrel_site_3f2a9c1e LOGIN; END IF; END $$;
GRANT tavrel_site TO tavrel_site_3f2a9c1e;
INSERT INTO site_roles (role_name, site_id) VALUES ('tavrel_site_3f2a9c1e', '3f2a9c1e-0b7d-4e5a-9c8f-2d1e6b7a4c30') ON CONFLICT DO NOTHING;
